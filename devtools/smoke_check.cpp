// spruce_smoke_check PROGRAM: starts a Spruce.exe as a user would, waits for its window to
// list the eighteen categories and for the survey to measure them, closes the window and
// expects the program to end with exit code 0. The test command runs it on the program
// unpacked from the release package.
#include "devtools/remote_list.h"

#include <stdio.h>

namespace {

const DWORD kWindowLimitMs = 60000;
const DWORD kSurveyLimitMs = 120000;
const DWORD kCloseLimitMs = 10000;

// What went wrong, or null when the program passed.
const char* Check(const PROCESS_INFORMATION& process) {
  HWND window = WaitForSpruceWindow(process.dwProcessId, kWindowLimitMs);
  if (!window) return "its window did not appear";
  {
    CRemoteList list(FindWindowExW(window, nullptr, L"SysListView32", nullptr), process.hProcess);
    if (!WaitFor([&] { return SurveyDone(list); }, kSurveyLimitMs))
      return list.Count() == 18 ? "the survey did not finish" : "the list does not hold 18 rows";
  }
  DWORD exitCode = 0;
  if (!CloseAndWait(window, process.hProcess, kCloseLimitMs, &exitCode))
    return "it did not end when its window was closed";
  return exitCode == 0 ? nullptr : "it ended with an exit code other than 0";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: spruce_smoke_check PROGRAM\n");
    return 2;
  }
  PROCESS_INFORMATION process = {};
  if (!StartProgram(argv[1], nullptr, &process)) {
    fprintf(stderr, "cannot start %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  const char* fault = Check(process);
  if (fault) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (fault) {
    fprintf(stderr, "%ls: %s\n", argv[1], fault);
    return 1;
  }
  printf("%ls: window with 18 rows, survey finished, closed with exit code 0\n", argv[1]);
  return 0;
}
