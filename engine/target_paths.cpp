// The path steps every target is built from.
#include "engine/paths.h"

#include <shellapi.h>

bool BuildKnownPath(wchar_t* buffer, int csidl, const wchar_t* subPath) {
  wmemset(buffer, L'\0', MAX_PATH);
  if (GetSpecialFolder(csidl, buffer) != 0) return false;
  return AppendPath(buffer, subPath);
}

ByteCount WalkKnown(int csidl, const wchar_t* subPath, BOOL measureOnly) {
  wchar_t path[MAX_PATH];
  if (!BuildKnownPath(path, csidl, subPath)) return 0;
  return WalkFolder(path, TRUE, measureOnly);
}

ByteCount TakeMatchingFiles(int csidl, const wchar_t* subPattern, BOOL measureOnly) {
  // One unit more than a path: the shell wants a double-NUL-terminated list.
  wchar_t pattern[MAX_PATH + 1];
  pattern[MAX_PATH] = L'\0';
  if (!BuildKnownPath(pattern, csidl, subPattern)) return 0;
  ByteCount total = 0;
  GetMatchingFilesSize(pattern, &total);
  if (!measureOnly) {
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = pattern;
    // Files only: a folder whose name matches the pattern was not counted and is not a cache
    // file, so it is not the shell's to delete.
    operation.fFlags =
        FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_FILESONLY;
    SHFileOperationW(&operation);
  }
  return total;
}

void ForEachSubfolder(int csidl, const wchar_t* base, const wchar_t* tail, bool skipLinks,
                      void (*visit)(const wchar_t* path, void* context), void* context) {
  wchar_t pattern[MAX_PATH];
  if (!BuildKnownPath(pattern, csidl, base) || !AppendPath(pattern, L"*")) return;
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW(pattern, &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.cFileName[0] == L'.') continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (skipLinks && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    // Each path starts from a lookup of its own, as every target path does.
    wchar_t path[MAX_PATH];
    if (BuildKnownPath(path, csidl, base) && AppendPath(path, entry.cFileName) &&
        AppendPath(path, tail))
      visit(path, context);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}
