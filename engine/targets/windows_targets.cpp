// The cleanup targets for places of Windows itself.
#include "engine/engine.h"
#include "engine/places/paths.h"
#include "engine/targets/service_calls.h"
#include "engine/places/user_rights.h"

#include <shlobj.h>
#include <stdio.h>

namespace {

const wchar_t kSearchIndex[] = L"\\Microsoft\\Search\\Data\\Applications\\Windows";

// Sizes a file below a known folder, no part of the way a link; 0, with the diagnostic line
// written, when it cannot be opened.
ByteCount SizeKnownFile(int csidl, const wchar_t* subPath) {
  CUserRights rights(csidl);
  HANDLE file = OpenKnownItem(csidl, subPath, kFileItem, 0);
  if (!file) {
    printf("CreateFile failed with %d\n", static_cast<int>(GetLastError()));
    return 0;
  }
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);  // stays 0 when the query fails
  CloseHandle(file);
  return static_cast<ByteCount>(size.QuadPart);
}

void DeleteKnownFile(int csidl, const wchar_t* subPath) {
  CUserRights rights(csidl);
  DeleteAndClose(OpenKnownItem(csidl, subPath, kFileItem, DELETE));
}

// Sizes one font cache file, then deletes it in delete mode, whether or not it could be sized.
ByteCount TakeFontCacheFile(int csidl, const wchar_t* subPath, BOOL measureOnly) {
  ByteCount size = SizeKnownFile(csidl, subPath);
  if (!measureOnly) DeleteKnownFile(csidl, subPath);
  return size;
}

}  // namespace

ByteCount CleanDownloadedProgramFiles(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\Downloaded Program Files", measureOnly);
}

ByteCount CleanInternetCache(BOOL measureOnly) {
  return WalkKnown(CSIDL_INTERNET_CACHE, L"", measureOnly);
}

ByteCount CleanOfflineWebPages(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\Offline Web Pages", measureOnly);
}

ByteCount CleanErrorDumps(BOOL measureOnly) {
  ByteCount total = WalkKnown(CSIDL_WINDOWS, L"\\Minidump", measureOnly);
  if (!measureOnly) {
    DeleteKnownFile(CSIDL_WINDOWS, L"\\memory.dmp");
    return total;
  }
  return total + SizeKnownFile(CSIDL_WINDOWS, L"\\memory.dmp");
}

ByteCount CleanWindowsTemp(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\Temp", measureOnly) +
         WalkKnown(CSIDL_LOCAL_APPDATA, L"\\Temp", measureOnly);
}

ByteCount CleanWindowsHelp(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\HELP", measureOnly);
}

ByteCount CleanUpdateDownloads(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download", measureOnly);
}

ByteCount CleanPrefetch(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\prefetch", measureOnly);
}

ByteCount CleanErrorReports(BOOL measureOnly) {
  return WalkKnown(CSIDL_WINDOWS, L"\\LiveKernelReports", measureOnly) +
         WalkKnown(CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER", measureOnly);
}

ByteCount CleanSearchCacheWith(const ServiceCalls& calls, BOOL measureOnly) {
  if (measureOnly) return WalkKnown(CSIDL_COMMON_APPDATA, kSearchIndex, TRUE);
  // Windows Search is down only while its index folder is walked; it then rebuilds the index.
  RunWithSearchStopped(calls, [] { WalkKnown(CSIDL_COMMON_APPDATA, kSearchIndex, FALSE); });
  return 0;
}

ByteCount CleanSearchCache(BOOL measureOnly) {
  return CleanSearchCacheWith(kWindowsServiceCalls, measureOnly);
}

ByteCount CleanFontCache(BOOL measureOnly) {
  ByteCount total = TakeFontCacheFile(CSIDL_SYSTEM, L"\\FNTCACHE.DAT", measureOnly);
  total += TakeFontCacheFile(CSIDL_LOCAL_APPDATA, L"\\GDIPFONTCACHEV1.DAT", measureOnly);
  total += TakeMatchingFiles(
      CSIDL_WINDOWS, L"\\ServiceProfiles\\LocalService\\AppData\\Local\\FontCache*.dat",
      measureOnly);
  return total;
}

ByteCount CleanDefenderHistory(BOOL measureOnly) {
  return WalkKnown(CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows Defender\\Scans\\History\\Results",
                   measureOnly);
}

ByteCount CleanRemoteDesktopCache(BOOL measureOnly) {
  return WalkKnown(CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache",
                   measureOnly);
}

ByteCount CleanThumbnailCache(BOOL measureOnly) {
  return WalkKnown(CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer", measureOnly);
}
