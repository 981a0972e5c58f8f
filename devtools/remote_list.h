// Reading and driving Spruce's window from another process: finding it, reading its category
// list (list-view texts live in Spruce's memory, so they are fetched through a buffer there).
#pragma once

#include <windows.h>

#include <string>

// Spruce's main window, looked up by its caption; null when not (yet) shown.
HWND FindSpruceWindow(DWORD processId);

class CRemoteList {
 public:
  CRemoteList(HWND list, HANDLE process);
  ~CRemoteList();
  CRemoteList(const CRemoteList&) = delete;
  CRemoteList& operator=(const CRemoteList&) = delete;

  int Count() const;
  std::wstring Text(int row, int column) const;
  bool Checked(int row) const;

 private:
  HWND m_list;
  HANDLE m_process;
  void* m_remote;  // an LVITEMW followed by its text buffer, in Spruce's memory
};
