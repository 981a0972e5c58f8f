// spruce_desktop PROGRAM [ARGUMENTS...]: starts PROGRAM as if from a desktop shell, which Wine
// lacks: its own window stands in for the shell window while PROGRAM runs, so that Spruce
// cleans for this user as it would on Windows. Ends with PROGRAM's exit code.
#include "devtools/shell_window.h"

#include <stdio.h>
#include <wchar.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: spruce_desktop PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  HWND shell = MakeShellWindow();
  // The command line after this program's own name, as it was given.
  const wchar_t* line = GetCommandLineW();
  const bool quoted = *line == L'"';
  line = quoted ? wcschr(line + 1, L'"') + 1 : line + wcscspn(line, L" \t");
  line += wcsspn(line, L" \t");
  std::wstring command = line;  // CreateProcessW may write into it
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD exitCode = 1;
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    fprintf(stderr, "cannot start %ls (error %lu)\n", argv[1], GetLastError());
  }
  if (shell) DestroyWindow(shell);
  return static_cast<int>(exitCode);
}
