// Shell known-folder lookup, the start of every target path.
#include "engine/engine.h"
#include "engine/places/paths.h"
#include "engine/places/system_folder.h"

#include <shlobj.h>
#include <wchar.h>

namespace {

int LookUpShellFolder(int csidl, wchar_t* path) {
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

}  // namespace

int GetSpecialFolder(int csidl, wchar_t* path) {
  if (csidl != CSIDL_SYSTEM) return LookUpShellFolder(csidl, path);
  // The font cache and the hosts file are the 64-bit system's own, also for the 32-bit build.
  wchar_t windows[MAX_PATH] = {};
  wchar_t system[MAX_PATH] = {};
  if (LookUpShellFolder(CSIDL_WINDOWS, windows) != 0 ||
      LookUpShellFolder(CSIDL_SYSTEM, system) != 0)
    return -1;
  return NativeSystemFolder(IsUnderWow64(), windows, system, path) ? 0 : -1;
}

bool GetWindowsDriveRoot(wchar_t* root) {
  wmemset(root, L'\0', MAX_PATH);
  if (GetSpecialFolder(CSIDL_WINDOWS, root) != 0 || !IsDriveLetter(root[0])) return false;
  root[3] = L'\0';
  return true;
}
