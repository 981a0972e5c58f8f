// Shell known-folder lookup, the start of every target path.
#include "engine/engine.h"

#include <shlobj.h>
#include <wchar.h>

int GetSpecialFolder(int csidl, wchar_t* path) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return -1;
  int result = -1;
  LPITEMIDLIST idList = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &idList))) {
    if (SHGetPathFromIDListW(idList, path)) result = 0;
    allocator->Free(idList);
  }
  allocator->Release();
  if (result != 0) return -1;
  // Callers append sub-paths that start with a backslash; only a bare root keeps its own.
  size_t length = wcslen(path);
  if (length > 3 && path[length - 1] == L'\\') path[length - 1] = L'\0';
  return 0;
}
