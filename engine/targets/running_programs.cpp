// Whether a program whose cache a row empties is running.
#include "engine/targets/app_caches.h"

#include <tlhelp32.h>
#include <wchar.h>

bool IsListedProgram(const wchar_t* const* programs, const wchar_t* imageName) {
  if (!programs) return false;
  const wchar_t* name = imageName;
  for (const wchar_t* c = imageName; *c; ++c)
    if (*c == L'\\' || *c == L'/') name = c + 1;
  for (; *programs; ++programs)
    if (CompareStringOrdinal(name, -1, *programs, -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

bool IsAnyProgramRunning(const wchar_t* const* programs) {
  if (!programs) return false;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  // Where the processes cannot be listed, the cache may be in use: it waits for another clean.
  if (snapshot == INVALID_HANDLE_VALUE) return true;
  PROCESSENTRY32W process = {};
  process.dwSize = sizeof process;
  bool running = false;
  for (BOOL more = Process32FirstW(snapshot, &process); more && !running;
       more = Process32NextW(snapshot, &process))
    running = IsListedProgram(programs, process.szExeFile);
  CloseHandle(snapshot);
  return running;
}
