// The path steps every target is built from.
#include "engine/places/paths.h"

#include "engine/places/user_places.h"
#include "engine/places/user_rights.h"

namespace {

struct MatchingFiles {
  BOOL measureOnly;
  ByteCount total;
};

void TakeMatchingFile(HANDLE folder, const ListedItem& item, void* context) {
  if (IsListedFolder(item) || IsListedLink(item)) return;
  MatchingFiles& files = *static_cast<MatchingFiles*>(context);
  files.total += static_cast<ByteCount>(item.EndOfFile.QuadPart);
  if (!files.measureOnly) DeleteListedFile(folder, item);
}

struct UnnamedVisit {
  void (*visit)(HANDLE folder, void* context);
  void* context;
};

void VisitUnnamed(HANDLE folder, const wchar_t*, void* context) {
  const UnnamedVisit& unnamed = *static_cast<const UnnamedVisit*>(context);
  unnamed.visit(folder, unnamed.context);
}

}  // namespace

bool BuildKnownPath(wchar_t* buffer, int csidl, const wchar_t* subPath) {
  wmemset(buffer, L'\0', MAX_PATH);
  if (GetSpecialFolder(csidl, buffer) != 0) return false;
  return AppendPath(buffer, subPath);
}

HANDLE OpenKnownItem(int csidl, const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess,
                     wchar_t* path) {
  wchar_t ownPath[MAX_PATH];
  if (!path) path = ownPath;
  if (IsUserKnownFolder(csidl)) return OpenUserKnownItem(csidl, subPath, kind, extraAccess, path);
  // One lookup serves the path text and the open.
  if (!BuildKnownPath(path, csidl, L"")) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  if (!*subPath) return kind == kFolderItem ? OpenTrustedFolder(path, extraAccess) : nullptr;
  HANDLE known = OpenTrustedFolder(path, 0);
  if (!known) return nullptr;
  HANDLE item = nullptr;
  if (AppendPath(path, subPath))
    item = OpenBelow(known, subPath, kind, extraAccess);
  else
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  CloseHandle(known);
  return item;
}

ByteCount WalkKnown(int csidl, const wchar_t* subPath, BOOL measureOnly) {
  CUserRights rights(csidl);
  wchar_t path[MAX_PATH];
  HANDLE folder = OpenKnownItem(csidl, subPath, kFolderItem, 0, path);
  if (!folder) return 0;
  ByteCount total = IsWalkableFolder(path) ? WalkOpenFolder(folder, measureOnly) : 0;
  CloseHandle(folder);
  return total;
}

ByteCount TakeMatchingFiles(int csidl, const wchar_t* subPattern, BOOL measureOnly) {
  // The folder's sub-path, and the pattern's last part as the listing's mask.
  const wchar_t* separator = wcsrchr(subPattern, L'\\');
  if (!separator) return 0;
  wchar_t subFolder[MAX_PATH];
  const size_t folderLength = separator - subPattern;
  wmemcpy(subFolder, subPattern, folderLength);
  subFolder[folderLength] = L'\0';
  CUserRights rights(csidl);
  wchar_t path[MAX_PATH];
  HANDLE folder = OpenKnownItem(csidl, subFolder, kFolderItem, 0, path);
  if (!folder) return 0;
  MatchingFiles files = {measureOnly, 0};
  CListingBuffer buffer;
  if (buffer.Get())
    ListFolder(folder, separator + 1, buffer.Get(), TakeMatchingFile, &files);
  CloseHandle(folder);
  return files.total;
}

void ForEachSubfolder(int csidl, const wchar_t* base, void (*visit)(HANDLE folder, void* context),
                      void* context) {
  // The folder is opened by base without its final separator, which the path text keeps.
  wchar_t subFolder[MAX_PATH] = {};
  if (!AppendPath(subFolder, base)) return;
  const size_t baseLength = wcslen(subFolder);
  if (baseLength > 0 && subFolder[baseLength - 1] == L'\\') subFolder[baseLength - 1] = L'\0';
  CUserRights rights(csidl);
  HANDLE folder = OpenKnownItem(csidl, subFolder, kFolderItem, 0);
  if (!folder) return;
  UnnamedVisit unnamed = {visit, context};
  ForEachListedSubfolder(folder, VisitUnnamed, &unnamed);
  CloseHandle(folder);
}
