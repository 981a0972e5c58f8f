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
