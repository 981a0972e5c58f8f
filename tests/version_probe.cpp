// Started by the tests under a Windows version that Wine is set to for this program alone.
// Its exit code tells what the engine makes of that version and which version the engine
// found, so that a test can see its setting took effect:
//   bit 0: IsWindowsVersionAtLeast, bit 1: row 13 checked at start, bit 2: row 13 cleans the
//   component store (rather than service-pack backups), bits 4-7: service pack major,
//   bits 8-15: minor version, bits 16-23: major version.
#include "engine/rows/categories.h"

#include <wchar.h>

int main() {
  OSVERSIONINFOEXW version;
  GetTrueWindowsVersion(&version);
  bool componentStore = wcsstr(ComponentCleanupCommand(), L"/startcomponentcleanup") != nullptr;
  return (IsWindowsVersionAtLeast() ? 1 : 0) | (IsCheckedAtStart(13) ? 2 : 0) |
         (componentStore ? 4 : 0) | (version.wServicePackMajor & 0xF) << 4 |
         (version.dwMinorVersion & 0xFF) << 8 | (version.dwMajorVersion & 0xFF) << 16;
}
