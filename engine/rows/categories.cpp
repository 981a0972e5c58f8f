// The category table and the actions of the rows that have no target routine of their own.
#include "engine/rows/categories.h"

#include "engine/targets/app_caches.h"
#include "engine/places/paths.h"

#include <shellapi.h>

namespace {

template <ByteCount (*Target)(BOOL)>
ByteCount Measure() {
  return Target(TRUE);
}

template <ByteCount (*Target)(BOOL)>
void Clean() {
  Target(FALSE);
}

ByteCount MeasureRecycleBins() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof info;
  // A failed query leaves the size at 0, and the row shows an empty bin.
  SHQueryRecycleBinW(nullptr, &info);
  return static_cast<ByteCount>(info.i64Size);
}

void EmptyRecycleBins() {
  SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

ByteCount MeasureHibernationFile() {
  ByteCount size = 0;
  GetHibernationFileSize(&size);
  return size;
}

// The command line goes in a writable buffer: CreateProcessW may change it.
void RunCommand(const wchar_t* command) {
  wchar_t commandLine[MAX_PATH];
  wmemset(commandLine, L'\0', MAX_PATH);
  if (AppendPath(commandLine, command)) RunCommandLine(commandLine);
}

// Hibernation is turned off rather than the file deleted: Windows then removes the file itself.
void TurnHibernationOff() { RunCommand(L"powercfg -h off"); }

void CleanComponentStore() { RunCommand(ComponentCleanupCommand()); }

}  // namespace

const CategoryRow kCategoryRows[kCategoryCount] = {
    /*  0 */ {L"Downloaded Program Files", kCheckedAtStart,
              Measure<CleanDownloadedProgramFiles>, Clean<CleanDownloadedProgramFiles>},
    /*  1 */ {L"IE临时文件", kCheckedAtStart,
              Measure<CleanInternetCache>, Clean<CleanInternetCache>},
    /*  2 */ {L"Offline Webpages", kCheckedAtStart,
              Measure<CleanOfflineWebPages>, Clean<CleanOfflineWebPages>},
    /*  3 */ {L"回收站", kCheckedAtStart,
              MeasureRecycleBins, EmptyRecycleBins},
    /*  4 */ {L"Windows错误调试文件", kCheckedAtStart,
              Measure<CleanErrorDumps>, Clean<CleanErrorDumps>},
    /*  5 */ {L"Windows临时文件", kCheckedAtStart,
              Measure<CleanWindowsTemp>, Clean<CleanWindowsTemp>},
    /*  6 */ {L"Windows帮助文件", kUncheckedAtStart,
              Measure<CleanWindowsHelp>, Clean<CleanWindowsHelp>},
    /*  7 */ {L"Windows Software Distribution Download", kCheckedAtStart,
              Measure<CleanUpdateDownloads>, Clean<CleanUpdateDownloads>},
    /*  8 */ {L"Windows预读取缓存", kCheckedAtStart,
              Measure<CleanPrefetch>, Clean<CleanPrefetch>},
    /*  9 */ {L"Windows错误报告", kCheckedAtStart,
              Measure<CleanErrorReports>, Clean<CleanErrorReports>},
    /* 10 */ {L"Windows搜索缓存", kUncheckedAtStart,
              Measure<CleanSearchCache>, Clean<CleanSearchCache>},
    /* 11 */ {L"Windows字体缓存", kCheckedAtStart,
              Measure<CleanFontCache>, Clean<CleanFontCache>},
    /* 12 */ {L"Windows休眠文件", kUncheckedAtStart,
              MeasureHibernationFile, TurnHibernationOff},
    /* 13 */ {L"清理Windows补丁", kCheckedOnWindows7,
              nullptr, CleanComponentStore},
    /* 14 */ {L"Windows Defender缓存", kCheckedAtStart,
              Measure<CleanDefenderHistory>, Clean<CleanDefenderHistory>},
    /* 15 */ {L"Windows远程登录缓存", kCheckedAtStart,
              Measure<CleanRemoteDesktopCache>, Clean<CleanRemoteDesktopCache>},
    /* 16 */ {L"Windows缩略图缓存", kCheckedAtStart,
              Measure<CleanThumbnailCache>, Clean<CleanThumbnailCache>},
    /* 17 */ {L"QQ和QQMusic临时文件", kCheckedAtStart,
              Measure<CleanQQAll>, Clean<CleanQQAll>},
};

int AppCacheRowIndex(LPARAM data) {
  return data < 0 && data >= -static_cast<LPARAM>(kAppCacheRowCount) ? static_cast<int>(-1 - data)
                                                                     : -1;
}

BOOL IsCheckedAtStart(int row) {
  switch (kCategoryRows[row].initialCheck) {
    case kCheckedAtStart:
      return TRUE;
    case kCheckedOnWindows7: {
      OSVERSIONINFOEXW version;
      GetTrueWindowsVersion(&version);  // unknown: zero, as Windows 7
      return IsWindowsVersionAtLeast() &&
             !KeepsComponentStore(version.dwMajorVersion, version.dwMinorVersion);
    }
    case kUncheckedAtStart:
      break;
  }
  return FALSE;
}
