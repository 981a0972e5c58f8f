// Which system folder a program of this build sees, and the commands it may start from there.
#include "engine/places/system_folder.h"

#include "engine/places/paths.h"
#include "framework/dll_export.h"

#include <wchar.h>

bool NativeSystemFolder(BOOL underWow64, const wchar_t* windowsFolder,
                        const wchar_t* systemFolder, wchar_t* out) {
  wmemset(out, L'\0', MAX_PATH);
  if (!underWow64) return AppendPath(out, systemFolder);
  return AppendPath(out, windowsFolder) && AppendPath(out, L"\\Sysnative");
}

BOOL IsUnderWow64() {
#ifdef _WIN64
  return FALSE;
#else
  // Looked up at run time: the first Windows versions without a 64-bit edition lack it.
  typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, BOOL*);
  auto isWow64Process =
      FindExport<IsWow64ProcessFn>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
  BOOL underWow64 = FALSE;
  if (!isWow64Process || !isWow64Process(GetCurrentProcess(), &underWow64)) return FALSE;
  return underWow64;
#endif
}

bool SystemCommandPath(const wchar_t* commandLine, const wchar_t* systemFolder,
                       wchar_t* program) {
  size_t length = wcscspn(commandLine, L" \t");
  // Only a bare name: anything that could point elsewhere is refused, not searched for.
  if (length == 0 || wcscspn(commandLine, L"\\/:\"") < length) return false;
  wmemset(program, L'\0', MAX_PATH);
  if (!AppendPath(program, systemFolder) || !AppendPath(program, L"\\")) return false;
  size_t used = wcslen(program);
  if (used + length >= MAX_PATH) return false;
  wmemcpy(program + used, commandLine, length);
  program[used + length] = L'\0';
  if (wmemchr(commandLine, L'.', length)) return true;
  return AppendPath(program, L".exe");
}
