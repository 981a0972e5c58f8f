// Stands in for a system command in the tests (copied as powercfg.exe, dism.exe, ...): it takes
// half a second (or as many milliseconds as a file beside it, its own path followed by ".wait",
// says: the system commands start without the caller's environment), then writes beside
// itself, to its own path followed by ".ran", the command line it was started with, how it was
// asked to show, its current folder and its variables TEMP, TMP, SystemRoot and PROBE_MARK,
// and ends with a failing exit code.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// The milliseconds that the file beside the probe holds as text; 500 without one.
DWORD Wait(const wchar_t* own) {
  wchar_t path[MAX_PATH + 8];
  _snwprintf(path, MAX_PATH + 7, L"%ls.wait", own);
  path[MAX_PATH + 7] = L'\0';
  HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 500;
  char text[16] = {};
  DWORD read = 0;
  ReadFile(file, text, sizeof text - 1, &read, nullptr);
  CloseHandle(file);
  return strtoul(text, nullptr, 10);
}

}  // namespace

int main() {
  wchar_t own[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  own[length] = L'\0';
  Sleep(Wait(own));
  wchar_t record[MAX_PATH + 8];
  _snwprintf(record, MAX_PATH + 7, L"%ls.ran", own);
  record[MAX_PATH + 7] = L'\0';
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  wchar_t text[2048];
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  wchar_t variables[4][MAX_PATH] = {};
  const wchar_t* const names[] = {L"TEMP", L"TMP", L"SystemRoot", L"PROBE_MARK"};
  for (int index = 0; index < 4; ++index)
    GetEnvironmentVariableW(names[index], variables[index], MAX_PATH);
  int written = _snwprintf(text, 2047, L"%ls\n%lu %u\n%ls\n%ls\n%ls\n%ls\n%ls", GetCommandLineW(),
                           startup.dwFlags, startup.wShowWindow, folder, variables[0],
                           variables[1], variables[2], variables[3]);
  if (written < 0) return 4;
  HANDLE file = CreateFileW(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  WriteFile(file, text, written * sizeof(wchar_t), &done, nullptr);
  CloseHandle(file);
  return 3;
}
