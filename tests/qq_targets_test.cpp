// The QQ and QQMusic targets on client trees built in the prefix's known folders, the second
// drive D: included.
#include "test_support.h"

#include "engine/places/paths.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace {

class QQTargets : public testing::Test {
 protected:
  void SetUp() override {
    m_appData = KnownFolder(CSIDL_APPDATA);
    m_documents = KnownFolder(CSIDL_PERSONAL);
    m_programFiles = KnownFolder(kQQProgramFiles);
    m_programFilesOnD = L"D" + m_programFiles.substr(1);
    m_nativeProgramFiles = KnownFolder(CSIDL_PROGRAM_FILES);
    RemoveClients();
  }
  void TearDown() override { RemoveClients(); }

  void RemoveClients() {
    RemoveTree(m_appData + L"\\Tencent");
    RemoveTree(m_documents + L"\\Tencent Files");
    RemoveTree(m_programFiles + L"\\Tencent");
    RemoveTree(m_programFilesOnD + L"\\Tencent");
    RemoveTree(m_nativeProgramFiles + L"\\Tencent");
  }

  // Each builder fills one target's folders with files of its own sizes and returns their sum.
  ByteCount BuildQQMusicFolders() {
    std::wstring music = m_appData + L"\\Tencent\\QQMusic";
    WriteFileOfSize(music + L"\\cache\\song.tmp", 101);
    WriteFileOfSize(music + L"\\WhirlCache\\whirl.dat", 202);
    WriteFileOfSize(music + L"\\QQMusicPicture\\album.jpg", 303);
    WriteFileOfSize(music + L"\\Temp\\part\\t.tmp", 404);
    WriteFileOfSize(music + L"\\UserData Backup\\old\\user.db", 505);
    return 101 + 202 + 303 + 404 + 505;
  }
  ByteCount BuildQQMusicDumps() {
    std::wstring music = m_appData + L"\\Tencent\\QQMusic";
    WriteFileOfSize(music + L"\\QQMusic_1.dmp", 1000);
    WriteSparseFile(music + L"\\QQMusic_2.dmp", 4294967296ull + 10);  // past 32 bits
    return 1000 + 4294967296ull + 10;
  }
  ByteCount BuildPluginCaches() {
    const std::wstring cache = L"\\Tencent\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic\\cache";
    WriteFileOfSize(m_programFiles + cache + L"\\c.tmp", 606);
    WriteFileOfSize(m_programFilesOnD + cache + L"\\d\\d.tmp", 7070);
    return 606 + 7070;
  }
  ByteCount BuildQQTempFolders() {
    std::wstring qq = m_appData + L"\\Tencent\\QQ";
    WriteFileOfSize(qq + L"\\STemp\\a", 11);
    WriteFileOfSize(qq + L"\\Temp\\b", 22);
    WriteFileOfSize(qq + L"\\webkit_cache\\c", 33);
    WriteFileOfSize(qq + L"\\WBlogImage\\d", 44);
    WriteFileOfSize(
        m_documents + L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow\\show.swf", 55);
    return 11 + 22 + 33 + 44 + 55;
  }
  ByteCount BuildLogs() {
    WriteFileOfSize(m_appData + L"\\Tencent\\Logs\\QQ\\today.log", 808);
    return 808;
  }

  std::wstring m_appData, m_documents, m_programFiles, m_programFilesOnD, m_nativeProgramFiles;
};

TEST_F(QQTargets, NeitherClientInstalledGivesNothingAndChangesNothing) {
  EXPECT_EQ(CleanQQAll(TRUE), 0u);
  EXPECT_EQ(CleanQQAll(FALSE), 0u);
  EXPECT_FALSE(PathExists(m_appData + L"\\Tencent"));
  EXPECT_FALSE(PathExists(m_documents + L"\\Tencent Files"));
  EXPECT_FALSE(PathExists(m_programFiles + L"\\Tencent"));
}

TEST_F(QQTargets, QQMusicSizesItsCrashDumpsBeforeDeletingThem) {
  std::wstring music = m_appData + L"\\Tencent\\QQMusic";
  ByteCount folders = BuildQQMusicFolders();
  ByteCount dumps = BuildQQMusicDumps();
  WriteFileOfSize(music + L"\\Crashes.dmp\\inner.dmp", 9000);  // a folder: not a dump
  WriteFileOfSize(music + L"\\settings.xml", 50);
  WriteFileOfSize(music + L"\\Lyrics\\song.lrc", 60);
  // Its 8.3 short name (NOTES~1.DMP) matches "*.dmp"; the name itself does not.
  WriteFileOfSize(music + L"\\notes.dmpx", 70);

  EXPECT_EQ(CleanQQMusic(TRUE), folders + dumps);
  EXPECT_EQ(CleanQQMusic(TRUE), folders + dumps);  // measuring deleted nothing
  EXPECT_EQ(CleanQQMusic(FALSE), dumps);

  for (const wchar_t* folder :
       {L"\\cache", L"\\WhirlCache", L"\\QQMusicPicture", L"\\Temp", L"\\UserData Backup"})
    EXPECT_TRUE(IsEmptyFolder(music + folder)) << folder;
  EXPECT_FALSE(PathExists(music + L"\\QQMusic_1.dmp"));
  EXPECT_FALSE(PathExists(music + L"\\QQMusic_2.dmp"));
  EXPECT_TRUE(PathExists(music + L"\\settings.xml"));
  EXPECT_TRUE(PathExists(music + L"\\notes.dmpx"));
  EXPECT_TRUE(PathExists(music + L"\\Lyrics\\song.lrc"));
  EXPECT_TRUE(PathExists(music + L"\\Crashes.dmp\\inner.dmp"));  // not counted, not deleted
  EXPECT_EQ(CleanQQMusic(TRUE), 0u);
}

TEST_F(QQTargets, QQTempAddsUpItsFiveFoldersAndSparesTheirNeighbours) {
  ByteCount expected = BuildQQTempFolders();
  WriteFileOfSize(m_appData + L"\\Tencent\\QQ\\Misc\\keep.dat", 5000);
  std::wstring misc = m_documents + L"\\Tencent Files\\All Users\\QQ\\Misc";
  WriteFileOfSize(misc + L"\\com.tencent.other\\keep.dat", 6000);

  EXPECT_EQ(CleanQQTemp(TRUE), expected);
  EXPECT_EQ(CleanQQTemp(FALSE), 0u);
  EXPECT_EQ(CleanQQTemp(TRUE), 0u);
  EXPECT_TRUE(IsEmptyFolder(m_appData + L"\\Tencent\\QQ\\STemp"));
  EXPECT_TRUE(IsEmptyFolder(misc + L"\\com.tencent.qqshow"));
  EXPECT_TRUE(PathExists(m_appData + L"\\Tencent\\QQ\\Misc\\keep.dat"));
  EXPECT_TRUE(PathExists(misc + L"\\com.tencent.other\\keep.dat"));
}

struct AccountTarget {
  const char* name;
  ByteCount (*clean)(BOOL measureOnly);
  int csidl;
  const wchar_t* accounts;  // the folder listed for account folders
  const wchar_t* tail;      // what is walked inside each account
};

const AccountTarget kAccountTargets[] = {
    {"UserImages", CleanQQUserImages, kQQProgramFiles, L"\\Tencent\\QQ\\Users", L"\\Image"},
    {"FilesImages", CleanQQFilesImages, CSIDL_PERSONAL, L"\\Tencent Files", L"\\Image"},
    {"ShowTemp", CleanQQShowTemp, CSIDL_APPDATA, L"\\Tencent\\Users",
     L"\\QQ\\WinTemp\\com.tencent.qqshow"},
};

TEST_F(QQTargets, EveryAccountFolderIsWalkedButDotNamesAndPlainFiles) {
  for (const AccountTarget& target : kAccountTargets) {
    SCOPED_TRACE(target.name);
    std::wstring accounts = KnownFolder(target.csidl) + target.accounts;
    WriteFileOfSize(accounts + L"\\12345" + target.tail + L"\\a.jpg", 1000);
    WriteFileOfSize(accounts + L"\\67890" + target.tail + L"\\sub\\b.png", 2000);
    WriteFileOfSize(accounts + L"\\All Users" + target.tail + L"\\c.gif", 400);
    WriteFileOfSize(accounts + L"\\.backup" + target.tail + L"\\hidden.jpg", 8000);
    WriteFileOfSize(accounts + L"\\..old" + target.tail + L"\\older.jpg", 16000);
    WriteFileOfSize(accounts + L"\\55555", 32000);  // a file named like an account
    WriteFileOfSize(accounts + L"\\11111\\FileRecv\\doc.pdf", 64000);  // no such folder
    WriteFileOfSize(accounts + L"\\12345\\Config\\keep.ini", 128000);

    EXPECT_EQ(target.clean(TRUE), 3400u);
    EXPECT_EQ(target.clean(FALSE), 0u);
    EXPECT_EQ(target.clean(TRUE), 0u);
    EXPECT_TRUE(IsEmptyFolder(accounts + L"\\12345" + target.tail));
    EXPECT_TRUE(IsEmptyFolder(accounts + L"\\All Users" + target.tail));
    EXPECT_TRUE(PathExists(accounts + L"\\.backup" + target.tail + L"\\hidden.jpg"));
    EXPECT_TRUE(PathExists(accounts + L"\\..old" + target.tail + L"\\older.jpg"));
    EXPECT_TRUE(PathExists(accounts + L"\\55555"));
    EXPECT_TRUE(PathExists(accounts + L"\\11111\\FileRecv\\doc.pdf"));
    EXPECT_TRUE(PathExists(accounts + L"\\12345\\Config\\keep.ini"));
  }
}

// The walk builds no path text: an account whose path with "\Image" is longer than 260
// characters is cleaned like the others.
TEST_F(QQTargets, AccountWhosePathPassesTheOldLimitIsCleanedToo) {
  std::wstring accounts = m_documents + L"\\Tencent Files\\";
  std::wstring name(MAX_PATH - 4 - accounts.size(), L'9');
  std::wstring longAccount = L"\\\\?\\" + accounts + name;
  WriteFileOfSize(longAccount + L"\\Image\\a.jpg", 10);
  WriteFileOfSize(accounts + L"12345\\Image\\b.jpg", 100);

  EXPECT_EQ(CleanQQFilesImages(TRUE), 110u);
  CleanQQFilesImages(FALSE);
  EXPECT_FALSE(PathExists(longAccount + L"\\Image\\a.jpg"));
  EXPECT_TRUE(PathExists(longAccount + L"\\Image"));  // a target's own folders stay
  EXPECT_FALSE(PathExists(accounts + L"12345\\Image\\b.jpg"));
  RemoveTree(longAccount);
}

TEST_F(QQTargets, PluginCacheIsFoundOnEveryDriveByItsLetter) {
  ByteCount expected = BuildPluginCaches();
  const std::wstring player = L"\\Tencent\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic";
  WriteFileOfSize(m_programFilesOnD + player + L"\\QQMusic.dll", 3000);
  // On another drive any account may have made these folders: only the user's rights reach
  // them, and without a desktop shell there are none to be had.
  ASSERT_EQ(GetShellWindow(), nullptr);
  const ByteCount onD = 7070;
  EXPECT_EQ(CleanQQMusicPluginCache(TRUE), expected - onD);
  CleanQQMusicPluginCache(FALSE);
  EXPECT_TRUE(IsEmptyFolder(m_programFiles + player + L"\\cache"));
  EXPECT_FALSE(IsEmptyFolder(m_programFilesOnD + player + L"\\cache"));

  CTestShellWindow shell;
  EXPECT_EQ(CleanQQMusicPluginCache(TRUE), onD);
  EXPECT_EQ(CleanQQMusicPluginCache(FALSE), 0u);
  EXPECT_TRUE(IsEmptyFolder(m_programFiles + player + L"\\cache"));
  EXPECT_TRUE(IsEmptyFolder(m_programFilesOnD + player + L"\\cache"));
  EXPECT_TRUE(PathExists(m_programFilesOnD + player + L"\\QQMusic.dll"));
}

#ifdef _WIN64
// QQ is a 32-bit program: the 64-bit build must look under "Program Files (x86)", and its own
// "Program Files" holds no QQ of ours.
TEST_F(QQTargets, The64BitBuildLooksUnderProgramFilesX86Only) {
  ASSERT_EQ(m_programFiles, L"C:\\Program Files (x86)");
  ASSERT_EQ(m_nativeProgramFiles, L"C:\\Program Files");
  const std::wstring images = L"\\Tencent\\QQ\\Users\\12345\\Image\\u.jpg";
  const std::wstring cache =
      L"\\Tencent\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic\\cache\\c.tmp";
  for (const std::wstring& file : {images, cache}) {
    WriteFileOfSize(m_programFiles + file, 300);
    WriteFileOfSize(m_nativeProgramFiles + file, 5000);
  }

  EXPECT_EQ(CleanQQUserImages(TRUE), 300u);
  EXPECT_EQ(CleanQQMusicPluginCache(TRUE), 300u);
  CleanQQUserImages(FALSE);
  CleanQQMusicPluginCache(FALSE);
  for (const std::wstring& file : {images, cache}) {
    EXPECT_FALSE(PathExists(m_programFiles + file)) << file.c_str();
    EXPECT_TRUE(PathExists(m_nativeProgramFiles + file)) << file.c_str();
  }
}
#endif

TEST_F(QQTargets, CleanQQAllAddsUpFivePartsAndLeavesTheChatPicturesToTheirOwnRow) {
  CTestShellWindow shell;
  ByteCount dumps = BuildQQMusicDumps();
  const ByteCount parts[] = {BuildQQMusicFolders() + dumps, BuildPluginCaches(),
                             BuildQQTempFolders(), BuildLogs(), 1 << 14};
  WriteFileOfSize(
      m_appData + L"\\Tencent\\Users\\12345\\QQ\\WinTemp\\com.tencent.qqshow\\s.swf", 1 << 14);
  const std::wstring pictures[] = {
      m_programFiles + L"\\Tencent\\QQ\\Users\\12345\\Image\\u.jpg",
      m_documents + L"\\Tencent Files\\12345\\Image\\f.jpg"};
  WriteFileOfSize(pictures[0], 1 << 12);
  WriteFileOfSize(pictures[1], 1 << 13);
  const std::wstring kept[] = {m_appData + L"\\Tencent\\QQ\\Config\\user.ini",
                               m_documents + L"\\Tencent Files\\12345\\FileRecv\\doc.pdf",
                               m_programFiles + L"\\Tencent\\QQ\\Bin\\QQ.exe",
                               m_appData + L"\\Tencent\\QQMusic\\settings.xml"};
  for (const std::wstring& file : kept) WriteFileOfSize(file, 70);

  ByteCount (*const targets[])(BOOL) = {CleanQQMusic, CleanQQMusicPluginCache, CleanQQTemp,
                                        CleanQQLogs, CleanQQShowTemp};
  ByteCount total = 0;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(targets[i](TRUE), parts[i]) << "part " << i;
    total += parts[i];
  }
  EXPECT_EQ(CleanQQAll(TRUE), total);
  EXPECT_EQ(CleanQQAll(FALSE), dumps);  // only the dumps are sized on the way
  EXPECT_EQ(CleanQQAll(TRUE), 0u);
  for (const std::wstring& file : pictures) EXPECT_TRUE(PathExists(file)) << file.c_str();

  EXPECT_EQ(CleanQQChatImages(TRUE), (1u << 12) + (1u << 13));
  CleanQQChatImages(FALSE);
  for (const std::wstring& file : pictures) EXPECT_FALSE(PathExists(file)) << file.c_str();
  for (const std::wstring& file : kept) EXPECT_TRUE(PathExists(file)) << file.c_str();
}

// The Linux folder behind \\<server>\<share>: Wine keeps network shares under the prefix's
// dosdevices\unc.
std::wstring ShareFolderInPrefix(const std::wstring& server, const std::wstring& share) {
  std::wstring drive = UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/
  std::wstring folder = L"\\\\?\\unix" + drive.substr(0, drive.size() - 3) + L"unc/" + server +
                        L"/" + share;
  for (wchar_t& c : folder)
    if (c == L'/') c = L'\\';
  return folder;
}

TEST(WalkOnEveryDrive, SwapsOnlyADriveLetterAndWalksANetworkPathOnce) {
  CTestShellWindow shell;
  std::wstring onC = FreshTestFolder(L"drive-probe") + L"\\cache";
  std::wstring onD = L"D" + onC.substr(1);
  WriteFileOfSize(onC + L"\\c.tmp", 10);
  WriteFileOfSize(onD + L"\\d.tmp", 20);
  std::wstring lowerCase = L"c" + onC.substr(1);
  EXPECT_EQ(WalkOnEveryDrive(lowerCase.c_str(), TRUE), 30u);

  std::wstring share = ShareFolderInPrefix(L"spruce-host", L"share");
  MakeFolders(share);
  std::wstring network = L"\\\\spruce-host\\share\\cache";
  WriteFileOfSize(network + L"\\n.tmp", 300);
  WriteFileOfSize(network + L"\\sub\\m.tmp", 4000);
  EXPECT_EQ(WalkOnEveryDrive(network.c_str(), TRUE), 4300u);
  EXPECT_EQ(WalkOnEveryDrive(network.c_str(), FALSE), 0u);
  EXPECT_TRUE(IsEmptyFolder(network));
  EXPECT_TRUE(PathExists(onC + L"\\c.tmp"));  // the network path named no drive
  std::wstring server = share.substr(0, share.find_last_of(L'\\'));
  RemoveTree(server);
  RemoveDirectoryW(server.substr(0, server.find_last_of(L'\\')).c_str());  // unc, when empty
  RemoveTree(L"D:\\spruce-tests");
}

}  // namespace
