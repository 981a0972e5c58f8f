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
