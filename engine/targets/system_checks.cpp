// Running a system command hidden, the Windows version tests and the hibernation file's size.
#include "engine/targets/command_environment.h"
#include "engine/engine.h"
#include "engine/places/paths.h"
#include "engine/places/system_folder.h"
#include "framework/dll_export.h"

#include <shlobj.h>
#include <wchar.h>

int RunCommandLine(wchar_t* commandLine) {
  // Spruce runs elevated, often from a downloads folder: the system's search rules would try
  // its own folder and the current folder first, so the program is named by its full path.
  wchar_t system[MAX_PATH] = {};
  wchar_t program[MAX_PATH];
  if (GetSpecialFolder(CSIDL_SYSTEM, system) != 0 ||
      !SystemCommandPath(commandLine, system, program))
    return 0;
  DWORD attributes = GetFileAttributesW(program);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  // Nor may the command look for its own DLLs in Spruce's current folder: it starts in the
  // system folder, named as the command sees it (a 32-bit Spruce's view is redirected, the
  // 64-bit command's is not).
  wchar_t folder[MAX_PATH] = {};
  if (!GetSystemDirectoryW(folder, MAX_PATH)) return 0;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  // Nor its environment the user's: the system's variables, TEMP in the Windows folder.
  wchar_t environment[kCommandEnvironmentLength];
  if (!BuildCommandEnvironment(environment)) return 0;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment, folder, &startup,
                      &process))
    return 0;
  // The commands may run for minutes; the caller goes on only once they are done.
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return 1;
}

BOOL IsWindowsVersionAtLeast() {
  // Windows 7 with Service Pack 1.
  OSVERSIONINFOEXW wanted = {};
  wanted.dwOSVersionInfoSize = sizeof wanted;
  wanted.dwMajorVersion = 6;
  wanted.dwMinorVersion = 1;
  wanted.wServicePackMajor = 1;
  wanted.wServicePackMinor = 0;
  DWORDLONG conditions = 0;
  conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
  conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
  conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(
      &wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
      conditions);
}

BOOL GetTrueWindowsVersion(OSVERSIONINFOEXW* version) {
  ZeroMemory(version, sizeof *version);
  version->dwOSVersionInfoSize = sizeof *version;
  // GetVersionExW answers what the program's manifest and compatibility settings let it see;
  // ntdll's answer is the system's. ntdll exports it to programs, but it is declared for
  // drivers only, so it is looked up at run time.
  typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOEXW*);
  auto rtlGetVersion =
      FindExport<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  return rtlGetVersion && rtlGetVersion(version) == 0;
}

BOOL KeepsComponentStore(DWORD majorVersion, DWORD minorVersion) {
  return majorVersion > 6 || (majorVersion == 6 && minorVersion >= 2);
}

const wchar_t* ComponentCleanupCommandFor(DWORD majorVersion, DWORD minorVersion) {
  // Service-pack backups exist up to Windows 7; Windows 8 (6.2) and later keep superseded
  // updates in the component store instead. Never /ResetBase: installed updates must stay
  // uninstallable.
  if (KeepsComponentStore(majorVersion, minorVersion))
    return L"dism /online /cleanup-image /startcomponentcleanup";
  return L"dism /online /cleanup-image /spsuperseded /hidesp";
}

const wchar_t* ComponentCleanupCommand() {
  OSVERSIONINFOEXW version;
  GetTrueWindowsVersion(&version);  // unknown: zero, the older command
  return ComponentCleanupCommandFor(version.dwMajorVersion, version.dwMinorVersion);
}

int GetHibernationFileSize(ByteCount* size) {
  // The hibernation file lies in the root of the drive that holds the Windows folder.
  wchar_t pattern[MAX_PATH];
  if (!GetWindowsDriveRoot(pattern)) return -1;
  AppendPath(pattern, L"*");
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW(pattern, &entry);
  if (listing == INVALID_HANDLE_VALUE) return -1;
  int result = -1;
  do {
    // The whole name: a copy such as hiberfil.sys.bak is not the hibernation file, and
    // neither is a folder of that name.
    if (_wcsicmp(entry.cFileName, L"hiberfil.sys") == 0 &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      *size = FullSize(entry);
      result = 0;
      break;
    }
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return result;
}
