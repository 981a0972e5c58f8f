// Setting a shell window for programs run where the desktop has none.
#include "devtools/shell_window.h"

// Exported by user32 but left out of the headers: makes a window the desktop's shell window.
extern "C" BOOL WINAPI SetShellWindow(HWND window);

HWND MakeShellWindow() {
  if (GetShellWindow()) return nullptr;
  HWND window = CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
  if (window && !SetShellWindow(window)) {
    DestroyWindow(window);
    window = nullptr;
  }
  return window;
}
