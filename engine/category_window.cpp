#include "engine/category_window.h"
#include "engine/engine.h"

CWorkerControls::CWorkerControls(void* parameter) {
  CategoryWindow* window = static_cast<CategoryWindow*>(parameter);
  m_listCategories.Attach(window->list);
  m_btnClean.Attach(window->cleanButton);
  delete window;
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
