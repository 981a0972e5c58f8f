// The clean run: cleans the checked categories in row order, off the window's thread.
#include "engine/categories.h"
#include "engine/category_window.h"
#include "engine/engine.h"

DWORD WINAPI CleanThreadProc(LPVOID parameter) {
  CWorkerControls controls(parameter);
  controls.m_btnClean.EnableWindow(FALSE);
  for (int row = 0; row < kCategoryCount; ++row) {
    // Read now, not at the start: the user may still tick or untick rows not reached yet.
    if (!controls.m_listCategories.GetCheck(row)) continue;
    kCategoryRows[row].clean();
    controls.MarkCleaned(row);
  }
  controls.m_btnClean.EnableWindow(TRUE);
  return 0;
}
