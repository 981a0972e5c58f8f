// Spruce's cleanup engine: the public routines, for the program and for outside programs
// that link the static library spruce_engine.
//
// A target routine takes measureOnly (1 = count only, nothing on disk changes; 0 = delete)
// and yields a ByteCount: in measure mode the bytes it would remove, in delete mode what it
// sized on the way (0 for walked folders). Targets never report failures: whatever is
// missing, locked or unreachable adds 0 and stays in place.
#pragma once

#include <windows.h>

typedef unsigned long long ByteCount;

// File walker and known folders.
ByteCount WalkFolder(const wchar_t* folder, BOOL keepFolder, BOOL measureOnly);
int GetSpecialFolder(int csidl, wchar_t* path);  // path: MAX_PATH units; 0 or -1
int GetFileSizeOf(const wchar_t* path, LARGE_INTEGER* size);  // 0, 2 (cannot open) or -1
int GetMatchingFilesSize(const wchar_t* pattern, ByteCount* total);  // 0 or -1

// Windows cleanup targets.
ByteCount CleanDownloadedProgramFiles(BOOL measureOnly);
ByteCount CleanInternetCache(BOOL measureOnly);
ByteCount CleanOfflineWebPages(BOOL measureOnly);
ByteCount CleanErrorDumps(BOOL measureOnly);
ByteCount CleanWindowsTemp(BOOL measureOnly);
ByteCount CleanWindowsHelp(BOOL measureOnly);
ByteCount CleanUpdateDownloads(BOOL measureOnly);
ByteCount CleanPrefetch(BOOL measureOnly);
ByteCount CleanErrorReports(BOOL measureOnly);
ByteCount CleanSearchCache(BOOL measureOnly);
ByteCount CleanFontCache(BOOL measureOnly);
ByteCount CleanDefenderHistory(BOOL measureOnly);
ByteCount CleanRemoteDesktopCache(BOOL measureOnly);
ByteCount CleanThumbnailCache(BOOL measureOnly);

// Service control: stops "WSearch" and its active dependents, reporting on standard output.
void StopServiceWithDependents();
BOOL StopActiveDependents(SC_HANDLE service, SC_HANDLE manager);

// QQ and QQMusic targets. CleanQQAll runs CleanQQMusic, CleanQQMusicPluginCache, CleanQQTemp,
// CleanQQLogs and CleanQQShowTemp in this order and adds them up. The pictures received in chats
// (each account's Image folder) are user data that the server may no longer hold: they go only
// through CleanQQChatImages, which runs CleanQQUserImages and CleanQQFilesImages.
ByteCount CleanQQAll(BOOL measureOnly);
ByteCount CleanQQMusic(BOOL measureOnly);
ByteCount CleanQQMusicPluginCache(BOOL measureOnly);
ByteCount CleanQQTemp(BOOL measureOnly);
ByteCount CleanQQLogs(BOOL measureOnly);
ByteCount CleanQQShowTemp(BOOL measureOnly);
ByteCount CleanQQChatImages(BOOL measureOnly);
ByteCount CleanQQUserImages(BOOL measureOnly);
ByteCount CleanQQFilesImages(BOOL measureOnly);
// The program files folder (CSIDL number) that holds QQ's installation, its plug-in cache and
// its users' images. QQ is a 32-bit program, so the 64-bit build names the 32-bit folder.
extern const int kQQProgramFiles;

// External commands and system checks.
// Starts commandLine (writable, MAX_PATH units) without a window and waits for it to end,
// however long that takes; nonzero once it has ended, 0 when it could not start. Its first
// word names a program of the system folder by its bare name ("powercfg", "dism.exe"); no
// other folder is searched, and a name with a path is refused. The command starts with the
// system's variables, not Spruce's (BuildCommandEnvironment).
int RunCommandLine(wchar_t* commandLine);
BOOL IsWindowsVersionAtLeast();  // Windows 7 with Service Pack 1 (6.1 SP1) or later
// The running system's own version (RtlGetVersion), which neither the manifest nor
// compatibility settings change; FALSE, and the record zeroed, when it cannot be had.
BOOL GetTrueWindowsVersion(OSVERSIONINFOEXW* version);
// Whether a Windows version keeps superseded updates in its component store, which it cleans
// by itself every month (Windows 8, 6.2, on), rather than as service-pack backups.
BOOL KeepsComponentStore(DWORD majorVersion, DWORD minorVersion);
// Row 13's dism command for a Windows version: removing service-pack backups on Windows 7 and
// earlier, cleaning the component store from Windows 8 (6.2) on; and for the running system.
const wchar_t* ComponentCleanupCommandFor(DWORD majorVersion, DWORD minorVersion);
const wchar_t* ComponentCleanupCommand();
// Size of hiberfil.sys in the root of the Windows drive: 0 and size stored, or -1 (unchanged).
int GetHibernationFileSize(ByteCount* size);

// The main window's two workers: the size survey and the clean run. Each takes the category
// list and the clean button by handle; StartCategoryWorker runs one on its own thread.
BOOL StartCategoryWorker(LPTHREAD_START_ROUTINE worker, HWND list, HWND cleanButton);
DWORD WINAPI SurveyThreadProc(LPVOID parameter);
DWORD WINAPI CleanThreadProc(LPVOID parameter);
// The list's size text: "%d B" below 1024, "%d KB" up to 1048576, "%d MB" above (64 units).
void FormatByteCount(ByteCount count, wchar_t* text);
