// The clean run: cleans the checked rows in list order, off the window's thread.
#include "engine/categories.h"
#include "engine/category_window.h"
#include "engine/cleanup_handlers.h"
#include "engine/engine.h"

namespace {

// A row's clean action: a written row's own, or for a row after them, its handler's. The
// handler is created anew on this thread, sizes its data (some handlers purge only what they
// have sized) and purges that much.
void CleanRow(const CWorkerControls& controls, int row) {
  if (row < kCategoryCount) {
    kCategoryRows[row].clean();
    return;
  }
  wchar_t keyName[MAX_PATH];
  if (!RememberedHandlerKey(controls.m_listCategories.GetItemData(row), keyName)) return;
  CHandlerProgress progress(controls.m_listCategories.m_hWnd);
  CCleanupHandler handler;
  ByteCount used;
  if (handler.Open(keyName) && handler.SpaceUsed(&progress, &used)) handler.Purge(used, &progress);
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
    CleanRow(controls, row);
    controls.MarkCleaned(row);
  }
  controls.m_btnClean.EnableWindow(TRUE);
  return 0;
}
