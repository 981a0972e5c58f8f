#include "engine/rows/category_window.h"
#include "engine/engine.h"

#include <wchar.h>

namespace {

// Held by a worker around its write of a size cell, so that no mark of the clean run lands
// between the survey's look at a cell and its write. Only the workers take it: the window's
// thread, which serves their messages meanwhile, never waits for it.
SRWLOCK g_sizeCells = SRWLOCK_INIT;

// What the clean run writes into a size cell; the survey writes over none of them.
const wchar_t kCleaning[] = L"清理中...";
const wchar_t kCleaned[] = L"OK";
const wchar_t kFailed[] = L"失败";
const wchar_t kRunning[] = L"运行中";

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
  if (wcscmp(shown, kCleaning) != 0 && wcscmp(shown, kCleaned) != 0 &&
      wcscmp(shown, kFailed) != 0 && wcscmp(shown, kRunning) != 0)
    m_listCategories.SetItemText(row, 1, text);
  ReleaseSRWLockExclusive(&g_sizeCells);
}

void CWorkerControls::MarkCleaning(int row) const {
  AcquireSRWLockExclusive(&g_sizeCells);
  m_listCategories.SetItemText(row, 1, kCleaning);
  ReleaseSRWLockExclusive(&g_sizeCells);
}

void CWorkerControls::MarkCleaned(int row, RowOutcome outcome) const {
  const wchar_t* const marks[] = {kCleaned, kFailed, kRunning};
  AcquireSRWLockExclusive(&g_sizeCells);
  m_listCategories.SetItemText(row, 1, marks[outcome]);
  ReleaseSRWLockExclusive(&g_sizeCells);
}

int CWorkerControls::AppendRow(const wchar_t* label, const wchar_t* size, LPARAM data,
                               bool checked) const {
  // With its box as asked in the message that inserts it (see below for lists that ignore it).
  int row = m_listCategories.InsertItem(LVIF_TEXT | LVIF_STATE | LVIF_PARAM,
                                        m_listCategories.GetItemCount(), label,
                                        INDEXTOSTATEIMAGEMASK(checked ? 2 : 1),
                                        LVIS_STATEIMAGEMASK, 0, data);
  // A window that is gone answers 0 as well.
  if (row < 0 || IsWindowGone()) return -1;
  // Wine's list gives every new item the unchecked box, whatever the insert asked for.
  if (checked) m_listCategories.SetCheck(row, TRUE);
  m_listCategories.SetItemText(row, 1, size);
  return row;
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
