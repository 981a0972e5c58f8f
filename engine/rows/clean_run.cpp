// The clean run: cleans the checked rows in list order, off the window's thread.
#include "engine/targets/app_caches.h"
#include "engine/rows/categories.h"
#include "engine/rows/category_window.h"
#include "engine/handlers/cleanup_handlers.h"
#include "engine/engine.h"

namespace {

// A handler row's clean: the handler is created anew on this thread, once the survey is done
// with it, sizes its data (some handlers purge only what they have sized) and purges that much:
// all it has where it cannot tell the size. It fails where any of these fails.
RowOutcome CleanHandlerRow(const CWorkerControls& controls, LPARAM number) {
  CHandlerProgress progress(controls.m_listCategories.m_hWnd);
  CCleanupHandler handler;
  const HRESULT opened = handler.Open(number);
  if (opened == S_FALSE) return kRowCleaned;  // nothing is left to clean
  ByteCount used;
  return opened == S_OK && handler.SpaceUsed(&progress, &used) && handler.Purge(used, &progress)
             ? kRowCleaned
             : kRowFailed;
}

RowOutcome CleanRow(const CWorkerControls& controls, int row) {
  if (row < kCategoryCount) {
    kCategoryRows[row].clean();
    return kRowCleaned;
  }
  const LPARAM data = controls.m_listCategories.GetItemData(row);
  const int app = AppCacheRowIndex(data);
  if (app < 0) return CleanHandlerRow(controls, data);
  // A cache that its program is using stays until the program is closed and the row cleaned
  // again.
  if (IsAnyProgramRunning(kAppCacheRows[app].programs)) return kRowProgramRunning;
  kAppCacheRows[app].target(FALSE);
  return kRowCleaned;
}

}  // namespace

DWORD WINAPI CleanThreadProc(LPVOID parameter) {
  CWorkerControls controls(parameter);
  CComApartment apartment;
  controls.m_btnClean.EnableWindow(FALSE);
  // The rows there are now: one the survey adds later is not part of this run.
  const int rows = controls.m_listCategories.GetItemCount();
  for (int row = 0; row < rows; ++row) {
    // Read now, not at the start: the user may still tick or untick rows not reached yet.
    if (!controls.m_listCategories.GetCheck(row)) continue;
    // Some rows take many minutes: the row shows that it is being cleaned.
    controls.MarkCleaning(row);
    controls.MarkCleaned(row, CleanRow(controls, row));
  }
  controls.m_btnClean.EnableWindow(TRUE);
  return 0;
}
