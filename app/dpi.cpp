#include "app/dpi.h"

#include "framework/dll_export.h"

#include <algorithm>

namespace {

// Room the list view leaves around a cell's text, at the design's DPI.
const int kCellMargins = 12;

// An entry point of user32 that older systems lack, or null.
template <class Procedure>
Procedure User32Entry(const char* name) {
  return FindExport<Procedure>(GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace

int ScaleToDpi(int designPixels, UINT dpi) {
  return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

RECT RescaleRect(const RECT& rect, UINT fromDpi, UINT toDpi) {
  const int to = static_cast<int>(toDpi), from = static_cast<int>(fromDpi);
  return {MulDiv(rect.left, to, from), MulDiv(rect.top, to, from), MulDiv(rect.right, to, from),
          MulDiv(rect.bottom, to, from)};
}

UINT ChooseWindowDpi(UINT windowDpi, int screenDpi) {
  if (windowDpi) return windowDpi;
  return screenDpi > 0 ? static_cast<UINT>(screenDpi) : kDesignDpi;
}

UINT GetWindowDpi(HWND window) {
  typedef UINT(WINAPI * GetDpiForWindowProc)(HWND);
  static const auto getDpiForWindow = User32Entry<GetDpiForWindowProc>("GetDpiForWindow");
  UINT windowDpi = getDpiForWindow ? getDpiForWindow(window) : 0;
  int screenDpi = 0;
  if (!windowDpi) {
    HDC screen = GetDC(nullptr);
    screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return ChooseWindowDpi(windowDpi, screenDpi);
}

void TakeOverDialogDpiScaling(HWND dialog) {
  typedef BOOL(WINAPI * SetDialogDpiChangeBehaviorProc)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS,
                                                        DIALOG_DPI_CHANGE_BEHAVIORS);
  static const auto setBehavior =
      User32Entry<SetDialogDpiChangeBehaviorProc>("SetDialogDpiChangeBehavior");
  if (setBehavior) setBehavior(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

void FitColumnsBesideScrollBar(int widths[], int count, int listWidth, int scrollBarWidth) {
  int total = scrollBarWidth;
  for (int column = 0; column < count; ++column) total += widths[column];
  if (total > listWidth) widths[0] = std::max(0, widths[0] - (total - listWidth));
}

int VerticalScrollBarWidth(UINT dpi) {
  typedef int(WINAPI * GetSystemMetricsForDpiProc)(int, UINT);
  static const auto forDpi = User32Entry<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");
  return forDpi ? forDpi(SM_CXVSCROLL, dpi) : GetSystemMetrics(SM_CXVSCROLL);
}

void ListColumnWidths(const int designWidths[], const int textWidths[], int count, UINT dpi,
                      int widths[]) {
  widths[0] = ScaleToDpi(designWidths[0], dpi);
  for (int column = 1; column < count; ++column) {
    const int scaled = ScaleToDpi(designWidths[column], dpi);
    widths[column] = std::max(scaled, textWidths[column] + ScaleToDpi(kCellMargins, dpi));
    widths[0] -= widths[column] - scaled;
  }
}
