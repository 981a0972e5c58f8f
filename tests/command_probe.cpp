// Stands in for a system command in the tests (copied as powercfg.exe, dism.exe, ...): it takes
// half a second (or PROBE_WAIT_MS milliseconds), then writes beside itself, to its own path
// followed by ".ran", the command line it was started with, how it was asked to show and its
// current folder, and ends with a failing exit code.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main() {
  wchar_t wait[16] = {};
  Sleep(GetEnvironmentVariableW(L"PROBE_WAIT_MS", wait, 16) ? wcstoul(wait, nullptr, 10) : 500);
  wchar_t record[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(nullptr, record, MAX_PATH);
  wcscpy(record + length, L".ran");
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  wchar_t text[1024];
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  int written = _snwprintf(text, 1023, L"%ls\n%lu %u\n%ls", GetCommandLineW(), startup.dwFlags,
                           startup.wShowWindow, folder);
  if (written < 0) return 4;
  HANDLE file = CreateFileW(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  WriteFile(file, text, written * sizeof(wchar_t), &done, nullptr);
  CloseHandle(file);
  return 3;
}
