// The application cache rows: where each application keeps its caches, and their targets.
#include "engine/app_caches.h"

#include "engine/chat_roots.h"
#include "engine/paths.h"
#include "engine/user_rights.h"

#include <shlobj.h>
#include <wchar.h>

namespace {

// Sizes or empties each folder of caches (a list ending in a null; "" names the folder itself)
// below an open folder whose path text has pathLength characters. Every lookup goes through a
// new handle to the folder: on Windows a handle's listing keeps the mask of its first lookup.
ByteCount WalkCaches(HANDLE folder, size_t pathLength, const wchar_t* const* caches,
                     BOOL measureOnly) {
  ByteCount total = 0;
  for (; *caches; ++caches) {
    HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
    if (!fresh) continue;
    total += **caches ? WalkBelow(fresh, pathLength, *caches, measureOnly)
                      : WalkOpenFolder(fresh, pathLength, measureOnly);
    CloseHandle(fresh);
  }
  return total;
}

// Where an application keeps its caches: a root below one of the user's known folders, cache
// folders in the root, and more in each of its profile folders.
struct CacheLayout {
  int csidl;
  const wchar_t* root;
  const wchar_t* const* rootCaches;
  bool (*isProfile)(const wchar_t* name);  // null: every subfolder is a profile
  const wchar_t* const* profileCaches;     // null: the root holds no profiles
};

const wchar_t* const kNoCaches[] = {nullptr};
const wchar_t* const kWholeRoot[] = {L"", nullptr};
const wchar_t* const kChromiumProfileCaches[] = {
    L"\\Cache",     L"\\Code Cache",      L"\\GPUCache",          L"\\Media Cache",
    L"\\DawnCache", L"\\DawnWebGPUCache", L"\\DawnGraphiteCache", nullptr};
const wchar_t* const kChromiumRootCaches[] = {L"\\ShaderCache", L"\\GrShaderCache",
                                              L"\\GraphiteDawnCache", nullptr};
const wchar_t* const kFirefoxProfileCaches[] = {L"\\cache2", nullptr};
const wchar_t* const kNewQQAppCaches[] = {L"\\Cache", L"\\Code Cache", L"\\GPUCache",
                                          L"\\DawnCache", nullptr};

// "Default", "Profile <n>", "Guest Profile", "System Profile"; other folders of "User Data"
// hold the browser's own data.
bool IsChromiumProfile(const wchar_t* name) {
  if (IsName(name, L"Default") || IsName(name, L"Guest Profile") ||
      IsName(name, L"System Profile"))
    return true;
  if (CompareStringOrdinal(name, 8, L"Profile ", 8, TRUE) != CSTR_EQUAL || wcslen(name) < 9)
    return false;
  return wcsspn(name + 8, L"0123456789") == wcslen(name + 8);
}

const CacheLayout kEdge = {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Edge\\User Data",
                           kChromiumRootCaches, IsChromiumProfile, kChromiumProfileCaches};
const CacheLayout kChrome = {CSIDL_LOCAL_APPDATA, L"\\Google\\Chrome\\User Data",
                             kChromiumRootCaches, IsChromiumProfile, kChromiumProfileCaches};
const CacheLayout kQQBrowser = {CSIDL_LOCAL_APPDATA, L"\\Tencent\\QQBrowser\\User Data",
                                kChromiumRootCaches, IsChromiumProfile, kChromiumProfileCaches};
const CacheLayout k360Browser = {CSIDL_APPDATA, L"\\360se6\\User Data", kChromiumRootCaches,
                                 IsChromiumProfile, kChromiumProfileCaches};
const CacheLayout kFirefox = {CSIDL_LOCAL_APPDATA, L"\\Mozilla\\Firefox\\Profiles", kNoCaches,
                              nullptr, kFirefoxProfileCaches};
const CacheLayout kNewQQApp = {CSIDL_APPDATA, L"\\QQ", kNewQQAppCaches, nullptr, nullptr};
const CacheLayout kQQMusicCache = {CSIDL_APPDATA, L"\\Tencent\\QQMusic\\QQMusicCache", kWholeRoot,
                                   nullptr, nullptr};
const CacheLayout kCrashDumps = {CSIDL_LOCAL_APPDATA, L"\\CrashDumps", kWholeRoot, nullptr,
                                 nullptr};

struct CacheWalk {
  const CacheLayout* layout;
  BOOL measureOnly;
  ByteCount total;
};

void WalkProfile(HANDLE profile, const wchar_t* name, size_t pathLength, void* context) {
  CacheWalk& walk = *static_cast<CacheWalk*>(context);
  if (walk.layout->isProfile && !walk.layout->isProfile(name)) return;
  walk.total += WalkCaches(profile, pathLength, walk.layout->profileCaches, walk.measureOnly);
}

ByteCount CleanLayout(const CacheLayout& layout, BOOL measureOnly) {
  CUserRights rights(layout.csidl);
  wchar_t path[MAX_PATH];
  HANDLE root = OpenKnownItem(layout.csidl, layout.root, kFolderItem, 0, path);
  if (!root) return 0;
  const size_t length = wcslen(path);
  CacheWalk walk = {&layout, measureOnly, WalkCaches(root, length, layout.rootCaches, measureOnly)};
  if (layout.profileCaches) ForEachSubfolderAnew(root, length, WalkProfile, &walk);
  CloseHandle(root);
  return walk.total;
}

bool IsLayoutPresent(const CacheLayout& layout) {
  CUserRights rights(layout.csidl);
  HANDLE root = OpenKnownItem(layout.csidl, layout.root, kFolderItem, 0);
  if (!root) return false;
  CloseHandle(root);
  return true;
}

template <const CacheLayout& kLayout>
ByteCount CleanApp(BOOL measureOnly) {
  return CleanLayout(kLayout, measureOnly);
}

template <const CacheLayout& kLayout>
bool IsAppPresent() {
  return IsLayoutPresent(kLayout);
}

const wchar_t* const kWeChat4AccountCaches[] = {L"\\cache", nullptr};
const wchar_t* const kWeChat3AccountCaches[] = {L"\\FileStorage\\Cache", nullptr};
const wchar_t* const kNewQQAccountCaches[] = {L"\\nt_qq\\nt_temp", nullptr};
const wchar_t* const kNewQQGlobalCaches[] = {L"\\nt_qq\\global\\nt_temp", nullptr};

struct AccountWalk {
  BOOL measureOnly;
  ByteCount total;
};

// A WeChat 4 account folder is one that holds its databases.
void WalkWeChat4Account(HANDLE account, const wchar_t*, size_t pathLength, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  if (HoldsFolder(account, L"db_storage"))
    walk.total += WalkCaches(account, pathLength, kWeChat4AccountCaches, walk.measureOnly);
}

void WalkWeChat3Account(HANDLE account, const wchar_t* name, size_t pathLength, void* context) {
  if (IsName(name, L"All Users") || IsName(name, L"Applet") || IsName(name, L"WMPF")) return;
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(account, pathLength, kWeChat3AccountCaches, walk.measureOnly);
}

void WalkNewQQAccount(HANDLE account, const wchar_t*, size_t pathLength, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(account, pathLength, kNewQQAccountCaches, walk.measureOnly);
}

void WalkWeChat4Files(HANDLE files, size_t pathLength, void* context) {
  ForEachListedSubfolder(files, pathLength, WalkWeChat4Account, context);
}

void WalkWeChat3Files(HANDLE files, size_t pathLength, void* context) {
  ForEachListedSubfolder(files, pathLength, WalkWeChat3Account, context);
}

void WalkNewQQFiles(HANDLE files, size_t pathLength, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(files, pathLength, kNewQQGlobalCaches, walk.measureOnly);
  ForEachSubfolderAnew(files, pathLength, WalkNewQQAccount, context);
}

void NoteFound(HANDLE, size_t, void* context) { *static_cast<bool*>(context) = true; }

void NoteNewQQData(HANDLE files, size_t, void* context) {
  if (HoldsFolder(files, L"nt_qq")) *static_cast<bool*>(context) = true;
}

void NoteChatImages(HANDLE account, size_t, void* context) {
  if (HoldsFolder(account, L"Image")) *static_cast<bool*>(context) = true;
}

ByteCount CleanWeChat(BOOL measureOnly) {
  CUserRights rights(CSIDL_APPDATA);
  AccountWalk walk = {measureOnly, 0};
  ForEachWeChatFilesFolder(WalkWeChat4Files, WalkWeChat3Files, &walk);
  return walk.total + WalkKnown(CSIDL_APPDATA, L"\\Tencent\\WeChat\\log", measureOnly);
}

bool IsWeChatPresent() {
  CUserRights rights(CSIDL_APPDATA);
  bool found = false;
  ForEachWeChatFilesFolder(NoteFound, NoteFound, &found);
  HANDLE log = OpenKnownItem(CSIDL_APPDATA, L"\\Tencent\\WeChat\\log", kFolderItem, 0);
  if (log) CloseHandle(log);
  return found || log != nullptr;
}

ByteCount CleanNewQQ(BOOL measureOnly) {
  CUserRights rights(CSIDL_APPDATA);
  DataRoots roots;
  AccountWalk walk = {measureOnly, 0};
  FindNewQQRoot(roots);
  ForEachDataFolder(roots, L"\\Tencent Files", WalkNewQQFiles, &walk);
  return walk.total + CleanLayout(kNewQQApp, measureOnly);
}

bool IsNewQQPresent() {
  CUserRights rights(CSIDL_APPDATA);
  DataRoots roots;
  bool found = IsLayoutPresent(kNewQQApp);
  FindNewQQRoot(roots);
  ForEachDataFolder(roots, L"\\Tencent Files", NoteNewQQData, &found);
  return found;
}

// GPU driver installers unpack into these folders of the Windows drive's root. Any account may
// make a folder of that name there, so they are sized and emptied only with the user's rights:
// Windows then refuses what that user could not delete by hand.
const wchar_t* const kDriverInstallers[] = {L"\\NVIDIA", L"\\AMD", nullptr};

// Opens the Windows drive's root, its path text into root; null without the user's rights.
HANDLE OpenDriveRootAsUser(const CUserRights& rights, wchar_t* root) {
  if (!rights.Acts() || !GetWindowsDriveRoot(root)) return nullptr;
  return OpenTrustedFolder(root, 0);
}

ByteCount CleanDriverInstallers(BOOL measureOnly) {
  CUserRights rights;
  wchar_t root[MAX_PATH];
  HANDLE drive = OpenDriveRootAsUser(rights, root);
  if (!drive) return 0;
  // The path texts are "C:" followed by the sub-paths.
  ByteCount total = WalkCaches(drive, wcslen(root) - 1, kDriverInstallers, measureOnly);
  CloseHandle(drive);
  return total;
}

bool AreDriverInstallersPresent() {
  CUserRights rights;
  wchar_t root[MAX_PATH];
  HANDLE drive = OpenDriveRootAsUser(rights, root);
  if (!drive) return false;
  bool found = HoldsFolder(drive, L"NVIDIA") || HoldsFolder(drive, L"AMD");
  CloseHandle(drive);
  return found;
}

bool AreQQChatImagesPresent() {
  bool found = false;
  ForEachSubfolder(kQQProgramFiles, L"\\Tencent\\QQ\\Users\\", NoteChatImages, &found);
  ForEachSubfolder(CSIDL_PERSONAL, L"\\Tencent Files\\", NoteChatImages, &found);
  return found;
}

const wchar_t* const kEdgePrograms[] = {L"msedge.exe", nullptr};
const wchar_t* const kChromePrograms[] = {L"chrome.exe", nullptr};
const wchar_t* const kQQBrowserPrograms[] = {L"QQBrowser.exe", nullptr};
const wchar_t* const k360BrowserPrograms[] = {L"360se.exe", nullptr};
const wchar_t* const kFirefoxPrograms[] = {L"firefox.exe", nullptr};
const wchar_t* const kWeChatPrograms[] = {L"Weixin.exe", L"WeChat.exe", nullptr};
const wchar_t* const kQQPrograms[] = {L"QQ.exe", nullptr};
const wchar_t* const kQQMusicPrograms[] = {L"QQMusic.exe", nullptr};

}  // namespace

// The browsers' and the crash dumps' rows start checked: what they hold comes back by itself.
// The chat clients' caches hold pictures and files a user may still want to open, the music
// cache songs they may still play, and the driver folders a way to reinstall: those start
// unchecked.
const AppCacheRow kAppCacheRows[] = {
    {L"Edge浏览器缓存", true, kEdgePrograms, IsAppPresent<kEdge>, CleanApp<kEdge>},
    {L"Chrome浏览器缓存", true, kChromePrograms, IsAppPresent<kChrome>, CleanApp<kChrome>},
    {L"QQ浏览器缓存", true, kQQBrowserPrograms, IsAppPresent<kQQBrowser>, CleanApp<kQQBrowser>},
    {L"360浏览器缓存", true, k360BrowserPrograms, IsAppPresent<k360Browser>,
     CleanApp<k360Browser>},
    {L"Firefox浏览器缓存", true, kFirefoxPrograms, IsAppPresent<kFirefox>, CleanApp<kFirefox>},
    {L"微信缓存", false, kWeChatPrograms, IsWeChatPresent, CleanWeChat},
    {L"新版QQ缓存", false, kQQPrograms, IsNewQQPresent, CleanNewQQ},
    {L"QQ音乐缓存", false, kQQMusicPrograms, IsAppPresent<kQQMusicCache>,
     CleanApp<kQQMusicCache>},
    {L"显卡驱动安装文件", false, nullptr, AreDriverInstallersPresent, CleanDriverInstallers},
    {L"程序崩溃转储", true, nullptr, IsAppPresent<kCrashDumps>, CleanApp<kCrashDumps>},
    {L"旧版QQ聊天图片", false, kQQPrograms, AreQQChatImagesPresent, CleanQQChatImages},
};
const int kAppCacheRowCount = sizeof kAppCacheRows / sizeof kAppCacheRows[0];
