// The window's design is in pixels of a 96-dpi screen; these routines fit it to the dots per
// inch a window is really shown at, on Windows 7 (one DPI for the whole system) as on Windows
// 8.1 and later (one per monitor).
#pragma once

#include <windows.h>

const UINT kDesignDpi = USER_DEFAULT_SCREEN_DPI;

// A length of the design at dpi, to the nearest pixel.
int ScaleToDpi(int designPixels, UINT dpi);
// A rectangle of a window laid out at fromDpi, laid out at toDpi.
RECT RescaleRect(const RECT& rect, UINT fromDpi, UINT toDpi);

// The DPI a window is shown at, from what the system answers: windowDpi from
// GetDpiForWindow (0 where the system has no such call, before Windows 10, or it failed),
// screenDpi the screen's LOGPIXELSX.
UINT ChooseWindowDpi(UINT windowDpi, int screenDpi);
// The same, asked of the system for window.
UINT GetWindowDpi(HWND window);

// Turns off the rescaling that Windows 10 gives dialogs when they move to a monitor of another
// DPI, for a dialog that rescales itself on WM_DPICHANGED; where the system has none, there is
// nothing to turn off.
void TakeOverDialogDpiScaling(HWND dialog);

// The widths of a list's count columns at dpi, from their widths in the design and the widths
// of the widest texts they show in the list's font (0: none; the first column's is not used):
// scaled, and widened where such a text would not fit between the list's cell margins. The
// first column gives up what the others gain, so that the columns together stay as wide as
// designed and the list does not scroll sideways.
void ListColumnWidths(const int designWidths[], const int textWidths[], int count, UINT dpi,
                      int widths[]);

// Shrinks the first of count column widths where the columns and a vertical scroll bar
// (scrollBarWidth) would not fit into listWidth, the list's client width without one: a list
// whose rows outgrow it scrolls down, never sideways.
void FitColumnsBesideScrollBar(int widths[], int count, int listWidth, int scrollBarWidth);

// The width of a vertical scroll bar at dpi.
int VerticalScrollBarWidth(UINT dpi);
