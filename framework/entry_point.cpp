// The program's entry point lives in the framework: the program itself only defines its one
// static application object.
#include "framework/application.h"
#include "framework/dll_search.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // Before any window, COM or shell call can load a DLL by name.
  RestrictDllSearch();
  return AfxWinMain(instance);
}
