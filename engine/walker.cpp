// The recursive walk that measures or deletes everything inside a folder.
#include "engine/engine.h"
#include "engine/paths.h"

#include <stdio.h>
#include <string.h>

namespace {

bool IsDotOrDotDot(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A name Windows keeps as it stands: not empty, no wildcard, stream or reserved character,
// and not made of dots and blanks only.
bool IsPlainName(const wchar_t* name, const wchar_t* end) {
  bool dotsAndBlanks = true;
  for (const wchar_t* c = name; c < end; ++c) {
    if (*c < L' ' || wcschr(L"*?<>\":|", *c)) return false;
    if (*c != L'.' && *c != L' ') dotsAndBlanks = false;
  }
  return !dotsAndBlanks;
}

}  // namespace

bool IsWalkableFolder(const wchar_t* folder) {
  if (!folder) return false;
  int rootNames;  // leading names that only name the root: none on a drive, two on a share
  if (((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z')) &&
      folder[1] == L':' && IsSeparator(folder[2])) {
    folder += 3;
    rootNames = 0;
  } else if (IsSeparator(folder[0]) && IsSeparator(folder[1])) {
    folder += 2;
    rootNames = 2;
  } else {
    return false;
  }
  int names = 0;
  for (;;) {
    const wchar_t* end = folder;
    while (*end && !IsSeparator(*end)) ++end;
    if (!IsPlainName(folder, end)) return false;
    ++names;
    if (!*end) return names > rootNames;
    folder = end + 1;
  }
}

ByteCount WalkFolder(const wchar_t* folder, BOOL keepFolder, BOOL measureOnly) {
  // A text that names no folder below a root would reach far more than the caller meant: the
  // empty one lists the current drive's root.
  if (!IsWalkableFolder(folder)) return 0;
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
