// Ad blocking against the prefix's own hosts file and Flash Player store: the hosts file's
// backup and undo, each way the append can fail, and the Flash blocking files.
#include "ad_blocking_support.h"

#include "tools/ad_blocking.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool CanOpenForWriting(const std::wstring& path) {
  CHeldFile file(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  return file.IsOpen();
}

// Write calls that fail after writing part of what they were given.
DWORD g_partWritten = 0;

BOOL WINAPI WriteHalfThenFail(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written,
                              LPOVERLAPPED) {
  WriteFile(file, bytes, length / 2, &g_partWritten, nullptr);
  *written = g_partWritten;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

BOOL WINAPI WriteHalfAsIfDone(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written,
                              LPOVERLAPPED) {
  WriteFile(file, bytes, length / 2, &g_partWritten, nullptr);
  *written = g_partWritten;
  return TRUE;
}

TEST_F(HostsFile, EnableAppendsOnceAndDisableGivesBackTheExactBytes) {
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);  // off: nothing to undo
  EXPECT_EQ(ReadBytes(m_hosts), m_original);

  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);
  EXPECT_EQ(ReadBytes(m_backup), m_original);
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);

  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_FALSE(PathExists(m_backup));
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
}

TEST_F(HostsFile, BlockStartsOnItsOwnLineAfterAFileWithoutFinalLineBreak) {
  const std::string unterminated = "127.0.0.1 localhost";
  WriteBytes(m_hosts, unterminated);
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  std::string hosts = ReadBytes(m_hosts);
  EXPECT_EQ(hosts.substr(0, unterminated.size() + 3), unterminated + "\r\n#");
  EXPECT_EQ(hosts, unterminated + std::string(kHostsBlock, kHostsBlockLength));
  RestoreHostsFile();
  EXPECT_EQ(ReadBytes(m_hosts), unterminated);
}

// The hosts file with CR LF line ends turned into LF, as some editors save it.
std::string WithLfLineEnds(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

// text without the line that begins at the first occurrence of line, and its line end.
std::string WithoutLine(std::string text, const std::string& line) {
  size_t at = text.find(line);
  EXPECT_NE(at, std::string::npos) << line;
  return at == std::string::npos ? text : text.erase(at, text.find('\n', at) + 1 - at);
}

const std::string kBlock(kHostsBlock, kHostsBlockLength);
// The block's first entry: its third line, after the empty one and the first heading.
const std::string kFirstEntry = [] {
  size_t start = kBlock.find("\r\n", 2) + 2;
  return kBlock.substr(start, kBlock.find("\r\n", start) - start);
}();

// Edits made to the hosts file by hand or by other software while blocking was on: every line
// of the block goes, every other line stays as it is, line ends included.
TEST_F(HostsFile, DisableTakesOutTheBlockLineByLine) {
  const std::string localhost = "127.0.0.1 localhost";  // no line break at its end
  std::string indented;  // LF line ends, blanks and tabs around the block's lines
  for (size_t start = 2, end; (end = kBlock.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    indented += "\t " + kBlock.substr(start, end - start) + " \t\n";
  const std::pair<std::string, std::string> edits[] = {
      {localhost + kBlock + "10.8.0.2 git.corp\r\n", localhost + "\r\n10.8.0.2 git.corp\r\n"},
      // A block whole at the end goes with the line end it begins with.
      {"10.8.0.1 vpn.corp\r\n" + localhost + kBlock, "10.8.0.1 vpn.corp\r\n" + localhost},
      {localhost + kBlock + "::1 a" + kBlock, localhost + "\r\n::1 a"},  // copied twice
      {"10.8.0.1 vpn.corp\r\n" + localhost, "10.8.0.1 vpn.corp\r\n" + localhost},  // gone already
      // One entry taken out by hand, to see that site again.
      {WithoutLine(localhost + kBlock, kFirstEntry) + "::1 b\r\n", localhost + "\r\n::1 b\r\n"},
      {localhost + "\n" + indented + "::1 c\n", localhost + "\n::1 c\n"},
      {WithLfLineEnds(localhost + kBlock), localhost + "\n"},
  };
  for (const auto& edit : edits) {
    WriteBytes(m_hosts, localhost);
    ASSERT_EQ(AppendHostsBlock(), kHostsDone);
    ASSERT_EQ(ReadBytes(m_backup), localhost);
    WriteBytes(m_hosts, edit.first);
    EXPECT_EQ(RestoreHostsFile(), kHostsDone);
    EXPECT_EQ(ReadBytes(m_hosts), edit.second);
    EXPECT_FALSE(PathExists(m_backup));
  }
}

TEST_F(HostsFile, EnableAgainAddsTheBlockOnceUnlessAllOfItIsThere) {
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  const std::string saved = WithLfLineEnds(m_blocked);
  WriteBytes(m_hosts, saved);  // every line there, with other line ends
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), saved);
  EXPECT_EQ(ReadBytes(m_backup), m_original);

  // One entry taken out by hand: the rest of the block goes, the whole block comes back once.
  WriteBytes(m_hosts, WithoutLine(saved, kFirstEntry));
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  const std::string unblocked = WithLfLineEnds(m_original) + "\n";
  EXPECT_EQ(ReadBytes(m_hosts), unblocked + kBlock);
  EXPECT_EQ(ReadBytes(m_backup), unblocked);
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), unblocked);
  EXPECT_FALSE(PathExists(m_backup));
}

// Another program put its own hosts file in place while blocking was on: the backup then
// holds the only copy of the user's entries.
TEST_F(HostsFile, BackupHoldingLostLinesIsKept) {
  const std::string reset = "127.0.0.1 localhost\r\n";
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  WriteBytes(m_hosts, reset);
  EXPECT_EQ(RestoreHostsFile(), kHostsBackupKept);
  EXPECT_EQ(ReadBytes(m_hosts), reset);
  EXPECT_EQ(ReadBytes(m_backup), m_original);

  // On and off with that older backup beside it, with or without a final line break: the
  // hosts file's bytes come back, however often.
  for (const std::string& hosts : {reset, std::string("127.0.0.1 localhost")}) {
    WriteBytes(m_hosts, hosts);
    for (int cycle = 0; cycle < 2; ++cycle) {
      EXPECT_EQ(AppendHostsBlock(), kHostsDone);  // not backed up over
      EXPECT_EQ(ReadBytes(m_hosts), hosts + kBlock);
      EXPECT_EQ(RestoreHostsFile(), kHostsBackupKept);
      EXPECT_EQ(ReadBytes(m_hosts), hosts);
      EXPECT_EQ(ReadBytes(m_backup), m_original);
    }
  }

  WriteBytes(m_hosts, WithLfLineEnds(m_original));  // the user copied the entries back
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_FALSE(PathExists(m_backup));
}

// A backup copied in from elsewhere, read-only and hidden, while blocking is off.
TEST_F(HostsFile, BackupWithoutTheBlockIsReplacedOnlyWhenNothingOfItIsLost) {
  const DWORD kCopiedIn = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  WriteBytes(m_backup, "127.0.0.1 localhost\n");
  ASSERT_TRUE(SetFileAttributesW(m_backup.c_str(), kCopiedIn));
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);
  EXPECT_EQ(ReadBytes(m_backup), m_original);
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_FALSE(PathExists(m_backup));

  const std::string foreign = "# copied from another machine\r\n10.0.0.9 old\r\n";
  WriteBytes(m_backup, foreign);
  ASSERT_TRUE(SetFileAttributesW(m_backup.c_str(), kCopiedIn));
  EXPECT_EQ(RestoreHostsFile(), kHostsBackupKept);  // off: the hosts file is not rolled back
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_EQ(ReadBytes(m_backup), foreign);
}

// Appending 8-bit lines would corrupt a UTF-16 file, with or without its byte order mark.
TEST_F(HostsFile, Utf16HostsFileIsLeftAlone) {
  const wchar_t kLine[] = L"127.0.0.1 a\r\n";
  const std::string utf16(reinterpret_cast<const char*>(kLine), sizeof kLine - sizeof(wchar_t));
  for (const std::string& hosts : {"\xff\xfe" + utf16, utf16}) {
    WriteBytes(m_hosts, hosts);
    EXPECT_EQ(AppendHostsBlock(), kHostsNotText);
    EXPECT_EQ(ReadBytes(m_hosts), hosts);
    EXPECT_FALSE(PathExists(m_backup));
    EXPECT_EQ(RestoreHostsFile(), kHostsNotText);
    EXPECT_EQ(ReadBytes(m_hosts), hosts);
  }
}

TEST_F(HostsFile, ReadOnlyHiddenSystemStayThroughEnableDisableAndAFailedEnable) {
  const DWORD guarded = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(m_hosts.c_str(), guarded));
  ASSERT_EQ(AttributesOf(m_hosts) & guarded, guarded) << "the prefix keeps no such attributes";
  EXPECT_EQ(AppendHostsBlockWith(WriteHalfThenFail), kHostsFailed);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_EQ(AttributesOf(m_hosts) & guarded, guarded) << "after a failed enable";

  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);
  EXPECT_EQ(AttributesOf(m_hosts) & guarded, guarded) << "after enable";
  EXPECT_EQ(AttributesOf(m_backup) & guarded, 0u) << "the backup took them over";

  WriteBytes(m_hosts, m_blocked + "::1 dev\r\n");  // edited: the block is cut out, not restored
  ASSERT_TRUE(SetFileAttributesW(m_hosts.c_str(), guarded));
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_original + "\r\n::1 dev\r\n");
  EXPECT_EQ(AttributesOf(m_hosts) & guarded, guarded) << "after disable";
}

// The access rules as text; empty when they cannot be read.
std::wstring AccessRulesOf(const std::wstring& path) {
  char rules[4096];
  DWORD needed = 0;
  wchar_t* text = nullptr;
  if (!GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, rules, sizeof rules, &needed) ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(
          rules, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
    return L"";
  std::wstring result = text;
  LocalFree(text);
  return result;
}

TEST_F(HostsFile, AccessRulesStayThroughEnableAndDisable) {
  // Everyone may write: not what a file newly made beside it gets.
  PSECURITY_DESCRIPTOR guard = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;WD)", SDDL_REVISION_1, &guard, nullptr));
  ASSERT_TRUE(SetFileSecurityW(m_hosts.c_str(), DACL_SECURITY_INFORMATION, guard));
  LocalFree(guard);
  const std::wstring rules = AccessRulesOf(m_hosts);
  WriteBytes(m_hosts + L".fresh", "");
  ASSERT_NE(AccessRulesOf(m_hosts + L".fresh"), rules) << "the prefix keeps no access rules";
  RemoveTree(m_hosts + L".fresh");
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(AccessRulesOf(m_hosts), rules);
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_EQ(AccessRulesOf(m_hosts), rules);
}

TEST_F(HostsFile, MissingHostsFileIsBackedUpEmptySoThatDisableEmptiesIt) {
  RemoveTree(m_hosts);
  EXPECT_EQ(AppendHostsBlock(), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), std::string(kHostsBlock, kHostsBlockLength));
  ASSERT_TRUE(PathExists(m_backup));
  EXPECT_EQ(ReadBytes(m_backup), "");
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);
  ASSERT_TRUE(PathExists(m_hosts));
  EXPECT_EQ(ReadBytes(m_hosts), "");
  EXPECT_FALSE(PathExists(m_backup));
}

TEST_F(HostsFile, HostsFileThatCannotBeReadGetsNothingAppended) {
  // A reader that shares only writing: the hosts file cannot be read, though it could be written.
  CHeldFile reader(m_hosts, GENERIC_READ, FILE_SHARE_WRITE);
  ASSERT_TRUE(reader.IsOpen());
  ASSERT_TRUE(CanOpenForWriting(m_hosts));
  EXPECT_EQ(AppendHostsBlock(), kHostsFailed);
  EXPECT_FALSE(PathExists(m_backup));
  reader.Release();
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
}

TEST_F(HostsFile, HostsFileThatCannotBeReplacedLeavesNoBackup) {
  // A reader that shares only reading: the hosts file can be read, not written or replaced.
  CHeldFile reader(m_hosts, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.IsOpen());
  ASSERT_FALSE(CanOpenForWriting(m_hosts));
  std::wstring probe = m_hosts + L".copy-probe";
  ASSERT_TRUE(CopyFileW(m_hosts.c_str(), probe.c_str(), FALSE));
  RemoveTree(probe);

  EXPECT_EQ(AppendHostsBlock(), kHostsFailed);
  EXPECT_FALSE(PathExists(m_backup)) << "blocking would count as on with nothing blocked";
  reader.Release();
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
}

TEST_F(HostsFile, WriteFailingPartWayLeavesNoTrace) {
  const std::wstring etc = m_hosts.substr(0, m_hosts.rfind(L'\\'));
  const std::vector<std::wstring> before = NamesIn(etc);
  for (WriteCall write : {WriteHalfThenFail, WriteHalfAsIfDone}) {
    g_partWritten = 0;
    EXPECT_EQ(AppendHostsBlockWith(write), kHostsFailed);
    EXPECT_EQ(g_partWritten, m_blocked.size() / 2) << "the half was not written";
    EXPECT_EQ(ReadBytes(m_hosts), m_original);
    EXPECT_EQ(NamesIn(etc), before) << "a backup or the half-written file was left behind";
  }
  EXPECT_EQ(AppendHostsBlockWith(WriteFile), kHostsDone);
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);
}

TEST_F(HostsFile, FailedCopyBackKeepsTheBackup) {
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  {
    const DWORD guarded = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ASSERT_TRUE(SetFileAttributesW(m_hosts.c_str(), guarded));
    CHeldFile reader(m_hosts, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_EQ(RestoreHostsFile(), kHostsFailed);
    EXPECT_EQ(ReadBytes(m_backup), m_original);
    EXPECT_EQ(AttributesOf(m_hosts) & guarded, guarded);
  }
  EXPECT_EQ(ReadBytes(m_hosts), m_blocked);
  EXPECT_EQ(RestoreHostsFile(), kHostsDone);  // the next disable finishes the undo
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_FALSE(PathExists(m_backup));
}

// Flash Player's store in the prefix's roaming application data, emptied around each test.
class FlashStorage : public testing::Test {
 protected:
  void SetUp() override {
    m_macromedia = KnownFolder(CSIDL_APPDATA) + L"\\Macromedia";
    m_store = m_macromedia + L"\\Flash Player\\#SharedObjects";
    RemoveTree(m_macromedia);
  }
  void TearDown() override {
    RemoveTree(m_macromedia);
    RemoveTree(L"C:\\spruce-tests\\flash-outside");
  }

  void BlockAll() {
    for (const wchar_t* host : kFlashHosts) EXPECT_EQ(BlockFlashStorage(host), 0);
  }
  void UnblockAll() {
    for (const wchar_t* host : kFlashHosts) EXPECT_EQ(UnblockFlashStorage(host), 0);
  }

  std::wstring m_macromedia;
  std::wstring m_store;
};

TEST_F(FlashStorage, WithoutSharedObjectsNothingIsCreated) {
  BlockAll();
  UnblockAll();
  EXPECT_FALSE(PathExists(m_macromedia));
  MakeFolders(m_macromedia + L"\\Flash Player");
  BlockAll();
  EXPECT_FALSE(PathExists(m_store));
  EXPECT_TRUE(IsEmptyFolder(m_macromedia + L"\\Flash Player"));
}

TEST_F(FlashStorage, BlockReplacesHostFoldersInFlashFoldersOnly) {
  const std::wstring first = m_store + L"\\KX3A9Q2B";
  const std::wstring second = m_store + L"\\localhost";
  // A host folder full of stored objects, read-only ones and a subfolder among them.
  const std::wstring stored = first + L"\\" + kFlashHosts[0];
  WriteFileOfSize(stored + L"\\player.sol", 40);
  WriteFileOfSize(stored + L"\\ads\\frequency.sol", 50, FILE_ATTRIBUTE_READONLY);
  WriteFileOfSize(stored + L"\\locked.sol", 60, FILE_ATTRIBUTE_READONLY);
  WriteFileOfSize(first + L"\\other.example.com\\keep.sol", 70);
  MakeFolders(second);
  WriteFileOfSize(m_store + L"\\settings.sol", 80);  // a plain file in the store itself
  WriteFileOfSize(m_store + L"\\.sync\\note.txt", 5);
  WriteFileOfSize(m_store + L"\\..cache\\note.txt", 5);

  BlockAll();
  EXPECT_TRUE(HoldsBlockingFiles(first));
  EXPECT_TRUE(HoldsBlockingFiles(second));
  EXPECT_EQ(ReadBytes(first + L"\\other.example.com\\keep.sol").size(), 70u);
  EXPECT_EQ(ReadBytes(m_store + L"\\settings.sol").size(), 80u);
  EXPECT_FALSE(HoldsBlockingFiles(m_store + L"\\.sync"));
  EXPECT_FALSE(HoldsBlockingFiles(m_store + L"\\..cache"));
  EXPECT_FALSE(HoldsBlockingFiles(m_store));

  BlockAll();  // a second enable keeps the files
  EXPECT_TRUE(HoldsBlockingFiles(first));
  EXPECT_TRUE(HoldsBlockingFiles(second));

  UnblockAll();
  EXPECT_FALSE(HoldsBlockingFiles(first));
  EXPECT_FALSE(HoldsBlockingFiles(second));
  EXPECT_TRUE(PathExists(first + L"\\other.example.com\\keep.sol"));
  EXPECT_TRUE(IsEmptyFolder(second));
}

TEST_F(FlashStorage, UnblockLeavesARealFolderAlone) {
  const std::wstring host = m_store + L"\\KX3A9Q2B\\" + kFlashHosts[1];
  WriteFileOfSize(host + L"\\objects.sol", 30);
  UnblockAll();
  EXPECT_TRUE(IsFolder(host));
  EXPECT_TRUE(PathExists(host + L"\\objects.sol"));
}

TEST_F(FlashStorage, NothingIsDeletedThroughFolderLinks) {
  const std::wstring outside = FreshTestFolder(L"flash-outside");
  WriteFileOfSize(outside + L"\\mine.txt", 10);
  WriteFileOfSize(outside + L"\\" + kFlashHosts[2] + L"\\mine.sol", 20);
  // One Flash folder whose host entry is a link, and one Flash folder that is itself a link.
  MakeFolders(m_store + L"\\KX3A9Q2B");
  MakeFolderLink(m_store + L"\\KX3A9Q2B\\" + kFlashHosts[2], outside);
  MakeFolderLink(m_store + L"\\LINKED", outside);

  BlockAll();
  EXPECT_TRUE(PathExists(outside + L"\\mine.txt"));
  EXPECT_TRUE(PathExists(outside + L"\\" + kFlashHosts[2] + L"\\mine.sol"));
  EXPECT_FALSE(HoldsBlockingFiles(outside));
  UnblockAll();
  EXPECT_TRUE(PathExists(outside + L"\\mine.txt"));
}

}  // namespace
