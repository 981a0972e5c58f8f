// What the survey and the clean run reach of the main window: the category list and the clean
// button, by window handle only, through synchronous messages that the window's thread serves.
// A worker never holds the dialog object: once the window is closed its messages go to windows
// that no longer exist, which Windows answers with nothing done (no text set, no box checked).
#pragma once

#include "framework/controls.h"

// How a row's clean ended: cleaned, failed (an added handler row), or passed over because the
// row's program runs.
enum RowOutcome { kRowCleaned, kRowFailed, kRowProgramRunning };

struct CategoryWindow {
  HWND list;
  HWND cleanButton;
};

// The controls of a worker's parameter, a heap copy that the worker takes over and frees.
class CWorkerControls {
 public:
  explicit CWorkerControls(void* parameter);
  // The survey's write: a row's size cell gets text unless the row already reads what the
  // clean run writes ("清理中...", "OK", "失败" or "运行中").
  void ShowSize(int row, const wchar_t* text) const;
  // The clean run's writes: the row reads "清理中..." while it is cleaned, then "OK", "失败"
  // when the clean failed, or "运行中" when it was passed over because its program runs.
  void MarkCleaning(int row) const;
  void MarkCleaned(int row, RowOutcome outcome) const;
  // The survey's addition: a row at the end of the list, checked or not, reading size, that
  // keeps data; its index, or -1 once the window is gone.
  int AppendRow(const wchar_t* label, const wchar_t* size, LPARAM data, bool checked) const;
  bool IsWindowGone() const { return !::IsWindow(m_listCategories.m_hWnd); }
  CListCtrl m_listCategories;
  CButton m_btnClean;
};
