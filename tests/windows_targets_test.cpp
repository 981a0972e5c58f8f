// The fourteen Windows targets on trees built in the prefix's own known folders.
#include "test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <vector>

namespace {

struct Place {
  int csidl;
  const wchar_t* subPath;
};

struct WalkedTarget {
  const char* name;
  ByteCount (*clean)(BOOL measureOnly);
  std::vector<Place> folders;
};

const std::vector<WalkedTarget>& WalkedTargets() {
  static const std::vector<WalkedTarget> targets = {
      {"DownloadedProgramFiles", CleanDownloadedProgramFiles,
       {{CSIDL_WINDOWS, L"\\Downloaded Program Files"}}},
      {"InternetCache", CleanInternetCache, {{CSIDL_INTERNET_CACHE, L""}}},
      {"OfflineWebPages", CleanOfflineWebPages, {{CSIDL_WINDOWS, L"\\Offline Web Pages"}}},
      {"WindowsTemp", CleanWindowsTemp,
       {{CSIDL_WINDOWS, L"\\Temp"}, {CSIDL_LOCAL_APPDATA, L"\\Temp"}}},
      {"WindowsHelp", CleanWindowsHelp, {{CSIDL_WINDOWS, L"\\HELP"}}},
      {"UpdateDownloads", CleanUpdateDownloads,
       {{CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download"}}},
      {"Prefetch", CleanPrefetch, {{CSIDL_WINDOWS, L"\\prefetch"}}},
      {"ErrorReports", CleanErrorReports,
       {{CSIDL_WINDOWS, L"\\LiveKernelReports"},
        {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER"}}},
      {"SearchCache", CleanSearchCache,
       {{CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows"}}},
      {"DefenderHistory", CleanDefenderHistory,
       {{CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows Defender\\Scans\\History\\Results"}}},
      {"RemoteDesktopCache", CleanRemoteDesktopCache,
       {{CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache"}}},
      {"ThumbnailCache", CleanThumbnailCache,
       {{CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer"}}},
  };
  return targets;
}

std::wstring PathOf(const Place& place) { return KnownFolder(place.csidl) + place.subPath; }

// Empties a folder of the prefix (creating it where missing) so that it holds only test data.
std::wstring EmptyFolder(const Place& place) {
  std::wstring folder = PathOf(place);
  RemoveTree(folder);
  MakeFolders(folder);
  return folder;
}

TEST(WindowsTargets, EachWalkedTargetMeasuresThenDeletesExactlyItsFolders) {
  for (const WalkedTarget& target : WalkedTargets()) {
    SCOPED_TRACE(target.name);
    ByteCount expected = 0;
    ByteCount markerSize = 0;  // differs per folder, so each one shows in the sum
    for (const Place& place : target.folders) {
      std::wstring folder = EmptyFolder(place);
      expected += BuildSampleTree(folder);
      markerSize += 1000;
      WriteFileOfSize(folder + L"\\marker.bin", markerSize);
      expected += markerSize;
    }
    EXPECT_EQ(target.clean(TRUE), expected);
    EXPECT_EQ(target.clean(TRUE), expected);  // measuring changed nothing

    testing::internal::CaptureStdout();
    EXPECT_EQ(target.clean(FALSE), 0u);
    testing::internal::GetCapturedStdout();
    for (const Place& place : target.folders) EXPECT_TRUE(IsEmptyFolder(PathOf(place)));
    EXPECT_EQ(target.clean(TRUE), 0u);
  }
}

TEST(WindowsTargets, MissingFoldersAddNothing) {
  const Place windowsTemp = {CSIDL_WINDOWS, L"\\Temp"};
  const Place userTemp = {CSIDL_LOCAL_APPDATA, L"\\Temp"};
  ByteCount windowsBytes = BuildSampleTree(EmptyFolder(windowsTemp));
  RemoveTree(PathOf(userTemp));
  EXPECT_EQ(CleanWindowsTemp(TRUE), windowsBytes);
  MakeFolders(PathOf(userTemp));
  WriteFileOfSize(PathOf(userTemp) + L"\\x.tmp", 10);
  EXPECT_EQ(CleanWindowsTemp(TRUE), windowsBytes + 10);

  RemoveTree(PathOf({CSIDL_WINDOWS, L"\\HELP"}));
  EXPECT_EQ(CleanWindowsHelp(TRUE), 0u);
  EXPECT_EQ(CleanWindowsHelp(FALSE), 0u);
  EXPECT_FALSE(PathExists(PathOf({CSIDL_WINDOWS, L"\\HELP"})));
}

TEST(WindowsTargets, SearchCacheStopsTheServiceOnlyWhenDeleting) {
  EmptyFolder({CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows"});
  testing::internal::CaptureStdout();
  CleanSearchCache(TRUE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  CleanSearchCache(FALSE);
  // Wine has no Windows Search service; the walk goes on all the same.
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WSearch  OpenService failed (1060)\n");
}

TEST(ErrorDumps, MemoryDumpIsSizedInMeasureModeAndDeletedSilently) {
  std::wstring minidump = EmptyFolder({CSIDL_WINDOWS, L"\\Minidump"});
  std::wstring memoryDump = KnownFolder(CSIDL_WINDOWS) + L"\\memory.dmp";
  ByteCount folderBytes = BuildSampleTree(minidump);
  WriteSparseFile(memoryDump, 8589934592ull);

  testing::internal::CaptureStdout();
  EXPECT_EQ(CleanErrorDumps(TRUE), folderBytes + 8589934592ull);
  EXPECT_EQ(CleanErrorDumps(FALSE), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(PathExists(memoryDump));
  EXPECT_TRUE(IsEmptyFolder(minidump));

  // Without memory.dmp the folder alone counts, and the failed open is reported once.
  WriteFileOfSize(minidump + L"\\Mini1.dmp", 333);
  testing::internal::CaptureStdout();
  EXPECT_EQ(CleanErrorDumps(TRUE), 333u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateFile failed with 2\n");
  testing::internal::CaptureStdout();
  CleanErrorDumps(FALSE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

class FontCache : public testing::Test {
 protected:
  void SetUp() override {
    systemFile = KnownFolder(CSIDL_SYSTEM) + L"\\FNTCACHE.DAT";
    gdiPlusFile = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\GDIPFONTCACHEV1.DAT";
    serviceFolder = EmptyFolder({CSIDL_WINDOWS, L"\\ServiceProfiles\\LocalService\\AppData\\Local"});
  }
  void TearDown() override {
    RemoveTree(systemFile);
    RemoveTree(gdiPlusFile);
  }
  std::wstring systemFile, gdiPlusFile, serviceFolder;
};

TEST_F(FontCache, CountsBothFilesAndTheMatchingPlainFiles) {
  WriteFileOfSize(systemFile, 4000);
  WriteFileOfSize(gdiPlusFile, 500);
  WriteFileOfSize(serviceFolder + L"\\FontCache-S-1-5-21-100-0.dat", 7000);
  WriteSparseFile(serviceFolder + L"\\FontCache3.0.0.0.dat", 4294967296ull + 6);
  WriteFileOfSize(serviceFolder + L"\\FontCacheSubfolder.dat\\inner.dat", 60);
  WriteFileOfSize(serviceFolder + L"\\Other.dat", 80);
  WriteFileOfSize(serviceFolder + L"\\FontCache.tmp", 90);
  const ByteCount expected = 4000 + 500 + 7000 + 4294967296ull + 6;

  testing::internal::CaptureStdout();
  EXPECT_EQ(CleanFontCache(TRUE), expected);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(PathExists(systemFile));

  EXPECT_EQ(CleanFontCache(FALSE), expected);  // the bytes found before deleting
  EXPECT_FALSE(PathExists(systemFile));
  EXPECT_FALSE(PathExists(gdiPlusFile));
  EXPECT_FALSE(PathExists(serviceFolder + L"\\FontCache-S-1-5-21-100-0.dat"));
  EXPECT_FALSE(PathExists(serviceFolder + L"\\FontCache3.0.0.0.dat"));
  EXPECT_TRUE(PathExists(serviceFolder + L"\\FontCacheSubfolder.dat\\inner.dat"));
  EXPECT_TRUE(PathExists(serviceFolder + L"\\Other.dat"));
  EXPECT_TRUE(PathExists(serviceFolder + L"\\FontCache.tmp"));
}

TEST_F(FontCache, ReportsWhatItFoundEvenWhenDeletingFails) {
  WriteFileOfSize(systemFile, 1234, FILE_ATTRIBUTE_READONLY);  // DeleteFileW refuses it
  testing::internal::CaptureStdout();
  EXPECT_EQ(CleanFontCache(FALSE), 1234u);
  // The GDI+ file is missing: its failed open is reported, in delete mode too.
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateFile failed with 2\n");
  EXPECT_TRUE(PathExists(systemFile));
}

}  // namespace
