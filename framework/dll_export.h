// Functions looked up in a loaded DLL at run time: those that older Windows versions lack, and
// those that a DLL exports for callers to find by name.
#pragma once

#include <windows.h>

// The export name of module as the function type the caller names; null when there is no
// module or it lacks the export.
template <typename Function>
Function FindExport(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through void*: GetProcAddress's own function type matches no real export.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
