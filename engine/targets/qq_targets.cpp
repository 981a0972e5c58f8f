// The cleanup targets for Tencent's QQ chat client and its QQMusic player.
#include "engine/engine.h"
#include "engine/places/paths.h"

#include <shlobj.h>

#ifdef _WIN64
const int kQQProgramFiles = CSIDL_PROGRAM_FILESX86;
#else
const int kQQProgramFiles = CSIDL_PROGRAM_FILES;  // the same folder for a 32-bit program
#endif

namespace {

struct AccountWalk {
  const wchar_t* tail;
  BOOL measureOnly;
  ByteCount total;
};

void WalkAccountFolder(HANDLE account, void* context) {
  AccountWalk* walk = static_cast<AccountWalk*>(context);
  walk->total += WalkBelow(account, walk->tail, walk->measureOnly);
}

// Walks the folder tail inside every account folder listed under a known folder's
// accountsBase (a sub-path ending in a backslash). A name starting with a dot is never an
// account, plain files and links are passed over, and "All Users" counts like any account.
ByteCount WalkEveryAccount(int csidl, const wchar_t* accountsBase, const wchar_t* tail,
                           BOOL measureOnly) {
  AccountWalk walk = {tail, measureOnly, 0};
  ForEachSubfolder(csidl, accountsBase, WalkAccountFolder, &walk);
  return walk.total;
}

ByteCount WalkAll(int csidl, const wchar_t* const* subPaths, int count, BOOL measureOnly) {
  ByteCount total = 0;
  for (int i = 0; i < count; ++i) total += WalkKnown(csidl, subPaths[i], measureOnly);
  return total;
}

}  // namespace

ByteCount CleanQQMusic(BOOL measureOnly) {
  static const wchar_t* const kFolders[] = {
      L"\\Tencent\\QQMusic\\cache",          L"\\Tencent\\QQMusic\\WhirlCache",
      L"\\Tencent\\QQMusic\\QQMusicPicture", L"\\Tencent\\QQMusic\\Temp",
      L"\\Tencent\\QQMusic\\UserData Backup"};
  ByteCount total = WalkAll(CSIDL_APPDATA, kFolders, ARRAYSIZE(kFolders), measureOnly);
  // The crash dumps are sized before they are deleted, so delete mode reports them too.
  return total + TakeMatchingFiles(CSIDL_APPDATA, L"\\Tencent\\QQMusic\\*.dmp", measureOnly);
}

ByteCount CleanQQMusicPluginCache(BOOL measureOnly) {
  // QQ may be installed on any drive, always in the same folders after the drive letter.
  wchar_t cache[MAX_PATH];
  if (!BuildKnownPath(cache, kQQProgramFiles,
                      L"\\Tencent\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic\\cache"))
    return 0;
  return WalkOnEveryDrive(cache, measureOnly);
}

ByteCount CleanQQTemp(BOOL measureOnly) {
  static const wchar_t* const kFolders[] = {L"\\Tencent\\QQ\\STemp", L"\\Tencent\\QQ\\Temp",
                                            L"\\Tencent\\QQ\\webkit_cache",
                                            L"\\Tencent\\QQ\\WBlogImage"};
  ByteCount total = WalkAll(CSIDL_APPDATA, kFolders, ARRAYSIZE(kFolders), measureOnly);
  return total + WalkKnown(CSIDL_PERSONAL,
                           L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow",
                           measureOnly);
}

ByteCount CleanQQLogs(BOOL measureOnly) {
  return WalkKnown(CSIDL_APPDATA, L"\\Tencent\\Logs", measureOnly);
}

ByteCount CleanQQUserImages(BOOL measureOnly) {
  return WalkEveryAccount(kQQProgramFiles, L"\\Tencent\\QQ\\Users\\", L"\\Image",
                          measureOnly);
}

ByteCount CleanQQFilesImages(BOOL measureOnly) {
  return WalkEveryAccount(CSIDL_PERSONAL, L"\\Tencent Files\\", L"\\Image", measureOnly);
}

ByteCount CleanQQShowTemp(BOOL measureOnly) {
  return WalkEveryAccount(CSIDL_APPDATA, L"\\Tencent\\Users\\",
                          L"\\QQ\\WinTemp\\com.tencent.qqshow", measureOnly);
}

ByteCount CleanQQAll(BOOL measureOnly) {
  ByteCount total = CleanQQMusic(measureOnly);
  total += CleanQQMusicPluginCache(measureOnly);
  total += CleanQQTemp(measureOnly);
  total += CleanQQLogs(measureOnly);
  total += CleanQQShowTemp(measureOnly);
  return total;
}

ByteCount CleanQQChatImages(BOOL measureOnly) {
  return CleanQQUserImages(measureOnly) + CleanQQFilesImages(measureOnly);
}
