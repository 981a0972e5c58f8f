// The size survey: measures every category once, in row order, off the window's thread.
#include "engine/targets/app_caches.h"
#include "engine/rows/categories.h"
#include "engine/rows/category_window.h"
#include "engine/handlers/cleanup_handlers.h"
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

// The applications' caches, each where its data exists for the user, sized before it shows.
void SurveyAppCaches(const CWorkerControls& controls, wchar_t* text) {
  for (int index = 0; index < kAppCacheRowCount && !controls.IsWindowGone(); ++index) {
    const AppCacheRow& app = kAppCacheRows[index];
    if (!app.present()) continue;
    FormatByteCount(app.target(TRUE), text);
    controls.AppendRow(app.label, text, AppCacheRowData(index), app.checkedAtStart);
  }
}

// Windows' own cleanup handlers, in key-name order: each one that Disk Cleanup would list
// becomes a row after the written ones once it is sized. The window stays usable meanwhile,
// however long a handler takes, and a handler still sizing when the window goes is told to
// stop.
void SurveyCleanupHandlers(const CWorkerControls& controls, wchar_t* text) {
  wchar_t keyName[MAX_PATH] = {};
  wchar_t after[MAX_PATH] = {};
  while (!controls.IsWindowGone() && NextCleanupHandler(after, keyName)) {
    wcscpy(after, keyName);
    const LPARAM number = RememberHandlerKey(keyName);
    if (!number) continue;
    CHandlerProgress progress(controls.m_listCategories.m_hWnd);
    CCleanupHandler handler;
    ByteCount used;
    // Disk Cleanup lists a handler that initialises with S_OK and sizes with S_OK, unless it
    // asked to be left off when it has nothing to free.
    if (handler.Open(number) != S_OK || !handler.SpaceUsed(&progress, &used) ||
        (used == 0 && handler.HidesWhenEmpty()))
      continue;
    if (used == kUnknownSize) {
      wcscpy(text, L"未知");
    } else {
      FormatByteCount(used, text);
    }
    RememberHandlerDescription(number, handler.Description());
    controls.AppendRow(handler.Label(), text, number, false);
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
  SurveyAppCaches(controls, text);
  SurveyCleanupHandlers(controls, text);
  return 0;
}
