#include "framework/dll_search.h"

#include "framework/dll_export.h"

#include <windows.h>

void RestrictDllSearch() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  auto setDefaultDllDirectories = FindExport<SetDefaultDllDirectoriesFn>(
      GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
}
