// The ways other users could aim an elevated clean at a folder of their choosing: a name that
// the path parser shortens, a link on the way to a target, a folder swapped for a link after
// it was listed. In each, the folder outside keeps every file and is not counted.
#include "test_support.h"

#include "engine/places/paths.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>

namespace {

// A folder outside every target, holding files worth 4,608 bytes.
std::wstring MakeOutside(const std::wstring& name) {
  std::wstring outside = FreshTestFolder(name);
  WriteFileOfSize(outside + L"\\precious.doc", 4096);
  WriteFileOfSize(outside + L"\\x", 512);
  return outside;
}

void ExpectUntouched(const std::wstring& outside) {
  EXPECT_TRUE(PathExists(outside + L"\\precious.doc"));
  EXPECT_TRUE(PathExists(outside + L"\\x"));
}

std::wstring Verbatim(const std::wstring& path) { return L"\\\\?\\" + path; }

// In C:\Windows\Temp: a link "J" to the outside folder and a real folder "J.", which path
// texts would turn into "J". Its file "x " would likewise become "x".
TEST(WalkSafety, ANameEndingInADotOrBlankIsItsOwnItem) {
  std::wstring outside = MakeOutside(L"outside-dot");
  std::wstring temp = KnownFolder(CSIDL_WINDOWS) + L"\\Temp";
  for (const std::wstring& folder : {temp, KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Temp"}) {
    RemoveTree(folder);
    MakeFolders(folder);
  }
  MakeFolderLink(temp + L"\\J", outside);
  std::wstring dotted = Verbatim(temp + L"\\J.");
  ASSERT_TRUE(CreateDirectoryW(dotted.c_str(), nullptr));
  WriteFileOfSize(dotted + L"\\x ", 30);
  WriteFileOfSize(dotted + L"\\deeper.\\y.", 7);

  EXPECT_EQ(CleanWindowsTemp(TRUE), 37u);
  CleanWindowsTemp(FALSE);
  ExpectUntouched(outside);
  EXPECT_EQ(GetFileAttributesW(dotted.c_str()), INVALID_FILE_ATTRIBUTES);  // emptied, removed
  EXPECT_TRUE(PathExists(temp + L"\\J\\precious.doc"));  // the link stays
  RemoveTree(temp + L"\\J");
}

// A hard link in C:\Windows\Temp to a read-only file elsewhere: the read-only attribute belongs
// to the file, so clearing it to delete the link would leave the file outside unprotected.
TEST(WalkSafety, AHardLinkKeepsTheReadOnlyFileOutsideProtected) {
  std::wstring outside = MakeOutside(L"outside-hardlink");
  const std::wstring precious = outside + L"\\precious.doc";
  ASSERT_TRUE(SetFileAttributesW(precious.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::wstring temp = KnownFolder(CSIDL_WINDOWS) + L"\\Temp";
  RemoveTree(temp);
  MakeFolders(temp);
  ASSERT_TRUE(CreateHardLinkW((temp + L"\\link.doc").c_str(), precious.c_str(), nullptr));
  WriteFileOfSize(temp + L"\\single.txt", 20, FILE_ATTRIBUTE_READONLY);

  for (BOOL measureOnly : {TRUE, FALSE}) {
    SCOPED_TRACE(measureOnly ? "measure" : "delete");
    CleanWindowsTemp(measureOnly);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(precious.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4096u);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    ExpectUntouched(outside);
  }
  EXPECT_FALSE(PathExists(temp + L"\\single.txt"));  // a read-only file with one name goes
  SetFileAttributesW(precious.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveTree(temp);
}

// Between the listing and the opening, another program puts something else under a listed
// name; g_swap does it for the name given.
std::function<void(const std::wstring&)> g_swap;

void SwapBeforeOpening(HANDLE, const wchar_t* name, size_t length) {
  if (g_swap) g_swap(std::wstring(name, length));
}

bool HoldsItsBytes(const std::wstring& path, ByteCount size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string read(size + 1, '\0');
  DWORD count = 0;
  ReadFile(file, &read[0], static_cast<DWORD>(size + 1), &count, nullptr);
  CloseHandle(file);
  return count == size && read.substr(0, size) == std::string(size, 'x');
}

// Between the listing and the opening, other programs put a Linux symbolic link (which Wine
// shows as a plain file) and a second name of a file outside under two listed names. On
// Windows, writable files go in one open with delete-on-close, which takes a link as the link:
// what took a listed name loses that name at most. Wine's open would take a symbolic link's
// target, so there the careful way refuses both names; the Windows way is tried with the
// second name only.
TEST(WalkSafety, AFileSwappedAfterTheListingLosesOnlyItsName) {
  std::wstring root = FreshTestFolder(L"walk-file-swap");
  std::wstring outside = MakeOutside(L"outside-file-swap");
  std::wstring walked = root + L"\\walked";
  for (bool windowsWay : {false, true}) {
    SCOPED_TRACE(windowsWay ? "delete-on-close" : "careful");
    RemoveTree(walked);
    WriteFileOfSize(walked + L"\\to-hardlink.tmp", 100);
    if (!windowsWay) WriteFileOfSize(walked + L"\\to-symlink.tmp", 100);
    WriteFileOfSize(walked + L"\\kept.tmp", 7);
    int swapped = 0;
    g_swap = [&](const std::wstring& name) {
      if (name != L"to-symlink.tmp" && name != L"to-hardlink.tmp") return;
      const std::wstring listed = walked + L"\\" + name;
      const std::wstring moved = root + L"\\moved-" + name;
      DeleteFileW(moved.c_str());
      ASSERT_TRUE(MoveFileW(listed.c_str(), moved.c_str()));
      if (name == L"to-symlink.tmp") {
        MakeFileLink(listed, outside + L"\\precious.doc");
      } else {
        ASSERT_TRUE(CreateHardLinkW(listed.c_str(), (outside + L"\\x").c_str(), nullptr));
      }
      ++swapped;
    };
    g_pfnBeforeOpenListed = SwapBeforeOpening;
    g_bDeleteAtCloseUnderWine = windowsWay;
    EXPECT_EQ(WalkFolder(walked.c_str(), TRUE, FALSE), 0u);
    g_bDeleteAtCloseUnderWine = false;
    g_pfnBeforeOpenListed = nullptr;
    g_swap = nullptr;
    EXPECT_EQ(swapped, windowsWay ? 1 : 2);
    EXPECT_TRUE(HoldsItsBytes(outside + L"\\precious.doc", 4096));
    EXPECT_TRUE(HoldsItsBytes(outside + L"\\x", 512));
    const std::vector<std::wstring> left = NamesIn(walked);
    if (windowsWay) {
      EXPECT_TRUE(left.empty());  // the second name went, and only it
    } else {
      EXPECT_EQ(left, (std::vector<std::wstring>{L"to-hardlink.tmp", L"to-symlink.tmp"}));
      RemoveFileLink(walked + L"\\to-symlink.tmp");
    }
  }
  RemoveTree(root);
}

// A file that turns read-only between the listing and the open, with a second name outside:
// the delete-on-close is refused, and the careful way leaves the attribute as it is.
TEST(WalkSafety, AFileTurnedReadOnlyWithASecondNameKeepsItsAttribute) {
  std::wstring outside = MakeOutside(L"outside-turned");
  const std::wstring precious = outside + L"\\precious.doc";
  const std::wstring temp = KnownFolder(CSIDL_WINDOWS) + L"\\Temp";
  RemoveTree(temp);
  MakeFolders(temp);
  ASSERT_TRUE(CreateHardLinkW((temp + L"\\turned.doc").c_str(), precious.c_str(), nullptr));
  WriteFileOfSize(temp + L"\\other.txt", 20);
  g_swap = [&](const std::wstring& name) {
    if (name == L"turned.doc") SetFileAttributesW(precious.c_str(), FILE_ATTRIBUTE_READONLY);
  };
  g_pfnBeforeOpenListed = SwapBeforeOpening;
  g_bDeleteAtCloseUnderWine = true;
  CleanWindowsTemp(FALSE);
  g_bDeleteAtCloseUnderWine = false;
  g_pfnBeforeOpenListed = nullptr;
  g_swap = nullptr;
  EXPECT_EQ(GetFileAttributesW(precious.c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(HoldsItsBytes(precious, 4096));
  EXPECT_FALSE(PathExists(temp + L"\\other.txt"));
  SetFileAttributesW(precious.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveTree(temp);
}

struct LinkOnTheWay {
  const char* name;
  ByteCount (*clean)(BOOL measureOnly);
  std::wstring link;     // replaced by a link to the outside folder
  std::wstring inside;   // a file of 10 bytes the target does clean
  std::wstring outside;  // where, in the outside folder, the target's own files would be
};

TEST(WalkSafety, NoPartOfATargetsPathBelowItsKnownFolderMayBeALink) {
  const std::wstring windows = KnownFolder(CSIDL_WINDOWS);
  const std::wstring local = KnownFolder(CSIDL_LOCAL_APPDATA);
  const std::wstring documents = KnownFolder(CSIDL_PERSONAL);
  const std::wstring programFilesOnD = L"D" + KnownFolder(kQQProgramFiles).substr(1);
  const std::wstring plugin = L"\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic\\cache";
  const LinkOnTheWay cases[] = {
      {"the walked folder itself", CleanErrorDumps, windows + L"\\Minidump",
       windows + L"\\memory.dmp", L"\\mini.dmp"},
      {"a folder between", CleanRemoteDesktopCache, local + L"\\Microsoft\\Terminal Server Client",
       L"", L"\\Cache\\bitmap.bmc"},
      {"on another drive", CleanQQMusicPluginCache, programFilesOnD + L"\\Tencent",
       KnownFolder(kQQProgramFiles) + L"\\Tencent" + plugin + L"\\c.tmp", plugin + L"\\d.tmp"},
      {"an account folder", CleanQQFilesImages, documents + L"\\Tencent Files\\12345",
       documents + L"\\Tencent Files\\67890\\Image\\a.jpg", L"\\Image\\b.jpg"},
      {"a pattern's folder", CleanFontCache, windows + L"\\ServiceProfiles\\LocalService",
       local + L"\\GDIPFONTCACHEV1.DAT", L"\\AppData\\Local\\FontCache-S-1.dat"},
  };
  for (const LinkOnTheWay& way : cases) {
    SCOPED_TRACE(way.name);
    std::wstring outside = MakeOutside(L"outside-way");
    WriteFileOfSize(outside + way.outside, 2000);
    RemoveTree(way.link);
    MakeFolders(way.link.substr(0, way.link.find_last_of(L'\\')));
    MakeFolderLink(way.link, outside);
    if (!way.inside.empty()) WriteFileOfSize(way.inside, 10);
    const ByteCount inside = way.inside.empty() ? 0 : 10;

    testing::internal::CaptureStdout();  // the font cache's missing files
    EXPECT_EQ(way.clean(TRUE), inside);
    way.clean(FALSE);
    testing::internal::GetCapturedStdout();
    ExpectUntouched(outside);
    EXPECT_TRUE(PathExists(outside + way.outside));
    if (!way.inside.empty()) {
      EXPECT_FALSE(PathExists(way.inside));
    }
    RemoveTree(way.link);
  }
  RemoveTree(programFilesOnD + L"\\Tencent");
  RemoveTree(KnownFolder(kQQProgramFiles) + L"\\Tencent");
  RemoveTree(documents + L"\\Tencent Files");
}

// Between the listing and the opening of "swapped", another program moves the folder away
// and puts a link to the outside folder in its place.
TEST(WalkSafety, AFolderSwappedForALinkAfterTheListingIsNotEntered) {
  std::wstring root = FreshTestFolder(L"walk-swap");
  std::wstring outside = MakeOutside(L"outside-swap");
  std::wstring walked = root + L"\\walked";
  g_pfnBeforeOpenListed = SwapBeforeOpening;
  for (BOOL measureOnly : {TRUE, FALSE}) {
    SCOPED_TRACE(measureOnly ? "measure" : "delete");
    RemoveTree(walked);
    RemoveTree(root + L"\\moved");
    WriteFileOfSize(walked + L"\\swapped\\cache.tmp", 100);
    WriteFileOfSize(walked + L"\\kept.tmp", 7);
    bool swapped = false;
    g_swap = [&](const std::wstring& name) {
      if (name != L"swapped" || swapped) return;
      swapped = true;
      ASSERT_TRUE(MoveFileW((walked + L"\\swapped").c_str(), (root + L"\\moved").c_str()));
      MakeFolderLink(walked + L"\\swapped", outside);
    };
    EXPECT_EQ(WalkFolder(walked.c_str(), TRUE, measureOnly), measureOnly ? 7u : 0u);
    EXPECT_TRUE(swapped);
    ExpectUntouched(outside);
  }
  EXPECT_FALSE(PathExists(walked + L"\\kept.tmp"));
  g_swap = nullptr;
  g_pfnBeforeOpenListed = nullptr;
  RemoveTree(root);
}

}  // namespace
