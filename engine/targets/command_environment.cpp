// Building the system commands' environment from the system's variables.
#include "engine/targets/command_environment.h"

#include "engine/places/paths.h"

#include <shlobj.h>
#include <userenv.h>
#include <wchar.h>

namespace {

// The variables put in, in the order in which their names sort.
const wchar_t* const kTempNames[] = {L"TEMP", L"TMP"};

// How the name of entry ("NAME=value") sorts against name, as Windows sorts an environment
// block: without regard to case. A name may begin with "=" ("=C:", a drive's current folder).
int CompareName(const wchar_t* entry, const wchar_t* name) {
  const int length = static_cast<int>(wcscspn(entry + 1, L"=") + 1);
  return CompareStringOrdinal(entry, length, name, -1, TRUE) - CSTR_EQUAL;
}

bool Append(wchar_t* block, size_t* used, const wchar_t* text) {
  const size_t length = wcslen(text) + 1;
  if (*used + length >= kCommandEnvironmentLength) return false;  // the block's end stays free
  wmemcpy(block + *used, text, length);
  *used += length;
  return true;
}

// Copies the environment block system into block with TEMP and TMP set to temp, each put where
// its name sorts: CreateProcessW expects the block in order.
bool SetTempFolders(const wchar_t* system, const wchar_t* temp, wchar_t* block) {
  size_t used = 0;
  size_t next = 0;
  for (const wchar_t* entry = system;; entry += wcslen(entry) + 1) {
    for (; next < ARRAYSIZE(kTempNames) && (!*entry || CompareName(entry, kTempNames[next]) >= 0);
         ++next) {
      wchar_t variable[MAX_PATH + 8] = {};
      wcscpy(variable, kTempNames[next]);
      wcscat(variable, L"=");
      wcscat(variable, temp);
      if (!Append(block, &used, variable)) return false;
    }
    if (!*entry) break;
    if (CompareName(entry, kTempNames[0]) != 0 && CompareName(entry, kTempNames[1]) != 0 &&
        !Append(block, &used, entry))
      return false;
  }
  block[used] = L'\0';
  return true;
}

}  // namespace

bool BuildCommandEnvironment(wchar_t* block) {
  // From the Windows folder as the system reports it, not from a variable.
  wchar_t temp[MAX_PATH];
  if (!BuildKnownPath(temp, CSIDL_WINDOWS, L"\\Temp")) return false;
  // Without a token, the block holds the system's variables only; nothing of Spruce's own.
  void* system = nullptr;
  if (!CreateEnvironmentBlock(&system, nullptr, FALSE)) return false;
  const bool built = SetTempFolders(static_cast<const wchar_t*>(system), temp, block);
  DestroyEnvironmentBlock(system);
  return built;
}
