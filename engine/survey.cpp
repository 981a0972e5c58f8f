// The size survey: measures every category once, in row order, off the window's thread.
#include "engine/categories.h"
#include "engine/category_window.h"
#include "engine/cleanup_handlers.h"
#include "engine/engine.h"

#include <wchar.h>

void FormatByteCount(ByteCount count, wchar_t* text) {
  const ByteCount kKilobyte = 1024, kMegabyte = 1024 * 1024;
  if (count < kKilobyte) {
    swprintf(text, 64, L"%d B", static_cast<int>(count));
  } else if (count <= kMegabyte) {
    swprintf(text, 64, L"%d KB", static_cast<int>(count / kKilobyte));
  } else {
    swprintf(text, 64, L"%d MB", static_cast<int>(count / kMegabyte));
  }
}

namespace {

// Windows' own cleanup handlers, in key-name order: each one that has something to clean
// becomes a row after the written ones. The window stays usable meanwhile, however long a
// handler takes to size its data, and a handler still sizing when the window goes is told to
// stop.
void SurveyCleanupHandlers(const CWorkerControls& controls, wchar_t* text) {
  wchar_t keyName[MAX_PATH] = {};
  wchar_t after[MAX_PATH] = {};
  while (!controls.IsWindowGone() && NextCleanupHandler(after, keyName)) {
    wcscpy(after, keyName);
    CHandlerProgress progress(controls.m_listCategories.m_hWnd);
    CCleanupHandler handler;
    if (!handler.Open(keyName)) continue;
    const LPARAM number = RememberHandlerKey(keyName);
    const int row = number ? controls.AppendRow(handler.Label(), number) : -1;
    if (row < 0) continue;
    ByteCount used;
    handler.SpaceUsed(&progress, &used);
    FormatByteCount(used, text);
    controls.ShowSize(row, text);
  }
}

}  // namespace

DWORD WINAPI SurveyThreadProc(LPVOID parameter) {
  CWorkerControls controls(parameter);
  CComApartment apartment;
  wchar_t text[64];
  wmemset(text, L'\0', 64);
  for (int row = 0; row < kCategoryCount; ++row) {
    const CategoryRow& category = kCategoryRows[row];
    if (!category.measure) {
      // The service-pack row has no size; on a system that can clean it, it says so.
      if (IsWindowsVersionAtLeast()) controls.ShowSize(row, L"...");
      continue;
    }
    FormatByteCount(category.measure(), text);
    controls.ShowSize(row, text);
  }
  SurveyCleanupHandlers(controls, text);
  return 0;
}
