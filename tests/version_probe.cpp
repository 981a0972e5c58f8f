// Started by the tests under a Windows version that Wine is set to for this program alone.
// Its exit code tells what the engine makes of that version and which version the system
// reported, so that a test can see its setting took effect:
//   bit 0: IsWindowsVersionAtLeast, bit 1: row 13 checked at start,
//   bits 4-7: service pack major, bits 8-15: minor version, bits 16-23: major version.
#include "engine/categories.h"

int main() {
  typedef LONG(WINAPI * GetVersionCall)(OSVERSIONINFOEXW*);
  // The true version: GetVersionExW hides versions after 8 from programs without a manifest.
  auto getVersion = reinterpret_cast<GetVersionCall>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  getVersion(&version);
  return (IsWindowsVersionAtLeast() ? 1 : 0) | (IsCheckedAtStart(13) ? 2 : 0) |
         (version.wServicePackMajor & 0xF) << 4 | (version.dwMinorVersion & 0xFF) << 8 |
         (version.dwMajorVersion & 0xFF) << 16;
}
