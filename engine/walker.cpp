// The recursive walk that measures or deletes everything inside a folder.
#include "engine/engine.h"
#include "engine/paths.h"

#include <stdio.h>
#include <string.h>

namespace {

bool IsDotOrDotDot(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

}  // namespace

ByteCount WalkFolder(const wchar_t* folder, BOOL keepFolder, BOOL measureOnly) {
  ByteCount total = 0;
  // One buffer serves as the listing pattern "folder\*" and then as each child's path:
  // both share the prefix "folder\".
  wchar_t path[MAX_PATH];
  path[0] = L'\0';
  if (AppendPath(path, folder) && AppendPath(path, L"\\*")) {
    const size_t baseLength = wcslen(path) - 1;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW(path, &entry);
    if (listing != INVALID_HANDLE_VALUE) {
      do {
        if (IsDotOrDotDot(entry.cFileName)) continue;
        // Links, junctions and mount points lead outside the walk: never follow or remove them.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        path[baseLength] = L'\0';
        if (!AppendPath(path, entry.cFileName)) continue;  // too long to name safely
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          total += WalkFolder(path, FALSE, measureOnly);
        } else if (measureOnly) {
          total += FullSize(entry);
        } else {
          if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(path);
        }
      } while (FindNextFileW(listing, &entry));
      FindClose(listing);
    }
  }
  if (!measureOnly && !keepFolder) RemoveDirectoryW(folder);
  return total;
}

int GetFileSizeOf(const wchar_t* path, LARGE_INTEGER* size) {
  HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    printf("CreateFile failed with %d\n", static_cast<int>(GetLastError()));
    return 2;
  }
  BOOL sized = GetFileSizeEx(file, size);
  CloseHandle(file);
  return sized ? 0 : -1;
}

int GetMatchingFilesSize(const wchar_t* pattern, ByteCount* total) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW(pattern, &entry);
  if (listing == INVALID_HANDLE_VALUE) return -1;
  do {
    if (IsDotOrDotDot(entry.cFileName)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    *total += FullSize(entry);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return 0;
}
