#include "engine/category_window.h"
#include "engine/engine.h"

#include <wchar.h>

namespace {

// Held by a worker around its write of a size cell, so that no "OK" lands between the
// survey's look at a cell and its write. Only the workers take it: the window's thread,
// which serves their messages meanwhile, never waits for it.
SRWLOCK g_sizeCells = SRWLOCK_INIT;

}  // namespace

CWorkerControls::CWorkerControls(void* parameter) {
  CategoryWindow* window = static_cast<CategoryWindow*>(parameter);
  m_listCategories.Attach(window->list);
  m_btnClean.Attach(window->cleanButton);
  delete window;
}

void CWorkerControls::ShowSize(int row, const wchar_t* text) const {
  AcquireSRWLockExclusive(&g_sizeCells);
  wchar_t shown[64] = {};
  m_listCategories.GetItemText(row, 1, shown, 64);
  if (wcscmp(shown, L"OK") != 0) m_listCategories.SetItemText(row, 1, text);
  ReleaseSRWLockExclusive(&g_sizeCells);
}

void CWorkerControls::MarkCleaned(int row) const {
  AcquireSRWLockExclusive(&g_sizeCells);
  m_listCategories.SetItemText(row, 1, L"OK");
  ReleaseSRWLockExclusive(&g_sizeCells);
}

BOOL StartCategoryWorker(LPTHREAD_START_ROUTINE worker, HWND list, HWND cleanButton) {
  CategoryWindow* window = new CategoryWindow{list, cleanButton};
  HANDLE thread = CreateThread(nullptr, 0, worker, window, 0, nullptr);
  if (!thread) {
    delete window;
    return FALSE;
  }
  CloseHandle(thread);  // the window keeps no handle to its workers
  return TRUE;
}
