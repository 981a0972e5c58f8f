// Reading and driving Spruce's window from another process: starting the program, finding
// its window, reading its category list (list-view texts live in Spruce's memory, so they are
// fetched through a buffer there) and closing it again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Checks done every 50 ms until it holds (true) or limitMs have passed (false).
bool WaitFor(const std::function<bool()>& done, DWORD limitMs);

// Starts program in folder (null: our own current folder); false when it cannot be started.
bool StartProgram(const std::wstring& program, const wchar_t* folder, PROCESS_INFORMATION* started);

// Spruce's main window, looked up by its caption until it is shown or limitMs have passed
// (null then).
HWND WaitForSpruceWindow(DWORD processId, DWORD limitMs);

// Closes the window as its close box does and waits up to limitMs for the program to end; a
// program still running then is ended with exit code 99. False when it had to be ended.
bool CloseAndWait(HWND window, HANDLE process, DWORD limitMs, DWORD* exitCode);

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

// All eighteen rows are listed and the survey has written every size but that of the
// service-pack row, which keeps its placeholder on systems without the version it needs.
bool SurveyDone(const CRemoteList& list);
