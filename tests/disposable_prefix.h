// The guard of every program that creates and deletes files on the machine it runs on: such a
// program runs only inside Wine and only in a prefix that our scripts made and marked as
// disposable; anywhere else, a real Windows included, it refuses.
#pragma once

#include <windows.h>

inline bool InDisposableWinePrefix() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  bool underWine = ntdll && GetProcAddress(ntdll, "wine_get_version");
  return underWine &&
         GetFileAttributesW(L"C:\\spruce-disposable-prefix") != INVALID_FILE_ATTRIBUTES;
}
