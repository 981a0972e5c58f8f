// The cleanup targets for places of Windows itself.
#include "engine/engine.h"
#include "engine/paths.h"

#include <shlobj.h>

namespace {

// Sizes one font cache file the way GetFileSizeOf opens it, then deletes it in delete mode,
// whether or not it could be opened.
ByteCount TakeFontCacheFile(int csidl, const wchar_t* subPath, BOOL measureOnly) {
  wchar_t path[MAX_PATH];
  if (!BuildKnownPath(path, csidl, subPath)) return 0;
  LARGE_INTEGER size;
  size.QuadPart = 0;
  if (GetFileSizeOf(path, &size) != 0) size.QuadPart = 0;
  if (!measureOnly) DeleteFileW(path);
  return static_cast<ByteCount>(size.QuadPart);
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
  wchar_t path[MAX_PATH];
  if (!BuildKnownPath(path, CSIDL_WINDOWS, L"\\memory.dmp")) return total;
  if (!measureOnly) {
    DeleteFileW(path);
    return total;
  }
  LARGE_INTEGER size;
  size.QuadPart = 0;
  if (GetFileSizeOf(path, &size) == 0) total += static_cast<ByteCount>(size.QuadPart);
  return total;
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

ByteCount CleanSearchCache(BOOL measureOnly) {
  if (!measureOnly) StopServiceWithDependents();
  return WalkKnown(CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows",
                   measureOnly);
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
