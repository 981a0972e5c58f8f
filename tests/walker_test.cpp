// The walker, the known-folder lookup and the two size helpers on real trees in the prefix.
#include "test_support.h"

#include "engine/places/paths.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>

namespace {

TEST(WalkFolder, MeasuresEveryFileAndChangesNothing) {
  std::wstring root = FreshTestFolder(L"walk-measure");
  ByteCount expected = BuildSampleTree(root);
  EXPECT_EQ(WalkFolder(root.c_str(), TRUE, TRUE), expected);
  EXPECT_EQ(WalkFolder(root.c_str(), FALSE, TRUE), expected);  // keepFolder plays no part
  EXPECT_EQ(GetFileAttributesW((root + L"\\sub\\locked-down.txt").c_str()) &
                FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(PathExists(root + L"\\sub\\deeper\\.dotfolder\\c.tmp"));
  EXPECT_TRUE(PathExists(root + L"\\empty"));
}

TEST(WalkFolder, DeleteEmptiesTheFolderAndKeepsItOnlyWhenAsked) {
  std::wstring root = FreshTestFolder(L"walk-delete");
  BuildSampleTree(root + L"\\kept");
  BuildSampleTree(root + L"\\removed");
  EXPECT_EQ(WalkFolder((root + L"\\kept").c_str(), TRUE, FALSE), 0u);
  EXPECT_EQ(WalkFolder((root + L"\\removed").c_str(), FALSE, FALSE), 0u);
  EXPECT_TRUE(IsEmptyFolder(root + L"\\kept"));
  EXPECT_FALSE(PathExists(root + L"\\removed"));

  MakeFolders(root + L"\\empty-kept");
  MakeFolders(root + L"\\empty-removed");
  WalkFolder((root + L"\\empty-kept").c_str(), TRUE, FALSE);
  WalkFolder((root + L"\\empty-removed").c_str(), FALSE, FALSE);
  EXPECT_TRUE(IsEmptyFolder(root + L"\\empty-kept"));
  EXPECT_FALSE(PathExists(root + L"\\empty-removed"));
}

TEST(WalkFolder, MissingFolderGivesNothingAndChangesNothing) {
  std::wstring root = FreshTestFolder(L"walk-missing");
  std::wstring missing = root + L"\\not-there";
  EXPECT_EQ(WalkFolder(missing.c_str(), TRUE, TRUE), 0u);
  EXPECT_EQ(WalkFolder(missing.c_str(), FALSE, FALSE), 0u);
  EXPECT_TRUE(IsEmptyFolder(root));
}

TEST(WalkFolder, LockedFileAndTheFoldersAboveItSurvive) {
  std::wstring root = FreshTestFolder(L"walk-locked");
  BuildSampleTree(root);
  std::wstring locked = root + L"\\sub\\deeper\\in-use.db";
  WriteFileOfSize(locked, 10);
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  WalkFolder(root.c_str(), TRUE, FALSE);
  CloseHandle(holder);

  EXPECT_TRUE(PathExists(locked));
  EXPECT_FALSE(PathExists(root + L"\\sub\\deeper\\.dotfolder"));
  EXPECT_FALSE(PathExists(root + L"\\sub\\b.dat"));
  EXPECT_FALSE(PathExists(root + L"\\sub\\huge.bin"));
  EXPECT_FALSE(PathExists(root + L"\\a.log"));
  EXPECT_FALSE(PathExists(root + L"\\empty"));
  EXPECT_EQ(WalkFolder(root.c_str(), TRUE, TRUE), 10u);  // only the locked file is left
}

TEST(WalkFolder, ActsOnlyOnAFolderBelowADriveRootOrAShare) {
  const wchar_t* const walkable[] = {
      L"C:\\Windows", L"c:\\spruce-tests\\a b\\.dotted\\x..y", L"C:/Windows/Temp",
      L"\\\\server\\share\\folder", L"\\\\server\\C$\\Temp\\#SharedObjects",
  };
  const wchar_t* const refused[] = {
      // empty, relative, drive-relative and root-relative
      L"", L"sub", L"sub\\deeper", L".", L"E:", L"E:x", L"E:x\\y", L"\\", L"\\x", L"\\x\\y",
      L"1:\\x",
      // bare roots, and names left empty
      L"C:\\", L"C:/", L"\\\\", L"\\\\server", L"\\\\server\\share", L"\\\\server\\share\\",
      L"C:\\Windows\\", L"C:\\\\Windows", L"\\\\server\\\\share\\x",
      // names that Windows reads as "here" or "up", or trims to nothing
      L"C:\\Windows\\..", L"C:\\Windows\\.", L"C:\\.\\Windows", L"C:\\a\\..\\..\\Windows",
      L"C:\\...", L"C:\\ ", L"C:\\Windows\\. .", L"\\\\server\\share\\..",
      // wildcards, device and long-path forms, streams
      L"C:\\Windows\\*", L"C:\\Temp?", L"C:\\a<b", L"\\\\?\\C:\\Windows", L"\\\\.\\C:\\Windows",
      L"\\\\?\\UNC\\server\\share", L"C:\\x::$INDEX_ALLOCATION", L"C:\\Windows\\Temp:x",
  };
  for (const wchar_t* folder : walkable) EXPECT_TRUE(IsWalkableFolder(folder)) << folder;
  for (const wchar_t* folder : refused) EXPECT_FALSE(IsWalkableFolder(folder)) << folder;
  EXPECT_FALSE(IsWalkableFolder(nullptr));
}

// What a caller's failed lookup leaves: texts that would reach the current folder or the root
// of its drive.
TEST(WalkFolder, TextsNamingNoFolderBelowARootDeleteNothing) {
  std::wstring root = FreshTestFolder(L"walk-unrooted");
  const ByteCount inside = BuildSampleTree(root);
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(root.c_str()));
  ByteCount reached = 0;
  const wchar_t* const texts[] = {L"", L"sub", L"."};
  for (const wchar_t* text : texts) reached += WalkFolder(text, TRUE, TRUE);
  // Deleting is tried only once measuring has shown that nothing is reached.
  if (reached == 0) {
    for (const wchar_t* text : texts) EXPECT_EQ(WalkFolder(text, FALSE, FALSE), 0u);
  }
  SetCurrentDirectoryW(previous);
  ASSERT_EQ(reached, 0u);
  // A share whose root would not fit in a path buffer.
  const std::wstring longShare = L"\\\\" + std::wstring(300, L's') + L"\\share\\x";
  EXPECT_EQ(WalkFolder(longShare.c_str(), TRUE, TRUE), 0u);
  EXPECT_EQ(WalkFolder(root.c_str(), TRUE, TRUE), inside);
  EXPECT_TRUE(PathExists(root + L"\\sub"));
  EXPECT_TRUE(PathExists(L"C:\\spruce-disposable-prefix"));
}

TEST(WalkFolder, FolderLinkIsNeitherFollowedNorRemoved) {
  std::wstring root = FreshTestFolder(L"walk-link");
  std::wstring outside = root + L"\\outside";
  std::wstring walked = root + L"\\walked";
  WriteFileOfSize(outside + L"\\precious.doc", 4096);
  WriteFileOfSize(outside + L"\\nested\\photo.jpg", 512);
  WriteFileOfSize(walked + L"\\cache.tmp", 100);
  MakeFolders(walked + L"\\inner");
  MakeFolderLink(walked + L"\\inner\\to-outside", outside);

  EXPECT_EQ(WalkFolder(walked.c_str(), TRUE, TRUE), 100u);
  WalkFolder(walked.c_str(), FALSE, FALSE);

  EXPECT_TRUE(PathExists(outside + L"\\precious.doc"));
  EXPECT_TRUE(PathExists(outside + L"\\nested\\photo.jpg"));
  EXPECT_TRUE(PathExists(walked + L"\\inner\\to-outside\\precious.doc"));
  EXPECT_FALSE(PathExists(walked + L"\\cache.tmp"));
}

// Makes levels nested folders named "a" below folder and writes a file of as many bytes as
// its depth at every hundredth level and at the bottom; gives their total.
ByteCount BuildDeepTree(const std::wstring& folder, int levels) {
  std::wstring path = L"\\\\?\\" + folder;
  MakeFolders(folder);
  ByteCount total = 0;
  for (int depth = 1; depth <= levels; ++depth) {
    path += L"\\a";
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
      ADD_FAILURE() << "cannot make level " << depth;
      return total;
    }
    if (depth % 100 == 0 || depth == levels) {
      HANDLE file = CreateFileW((path + L"\\f.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr);
      EXPECT_NE(file, INVALID_HANDLE_VALUE) << "a file at level " << depth;
      LARGE_INTEGER size;
      size.QuadPart = depth;
      SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
      SetEndOfFile(file);
      CloseHandle(file);
      total += depth;
    }
  }
  return total;
}

// The walk builds no path text, so paths longer than 260 characters, and trees of a thousand
// levels, are measured and emptied like any other.
TEST(WalkFolder, GoesAsDeepAsTheTreeGoes) {
  std::wstring root = FreshTestFolder(L"walk-long");
  const std::wstring verbatim = L"\\\\?\\" + root;
  // Names of 200 and more characters, three levels deep: 650 characters and more.
  const std::wstring deep = L"\\" + std::wstring(200, L'd') + L"\\" + std::wstring(200, L'e');
  WriteFileOfSize(root + L"\\short.txt", 5);
  ASSERT_TRUE(CreateDirectoryW((verbatim + L"\\" + std::wstring(200, L'd')).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((verbatim + deep).c_str(), nullptr));
  WriteFileOfSize(verbatim + deep + L"\\" + std::wstring(240, L'n'), 10);
  // A folder whose own path text nearly fills a path buffer, holding more.
  std::wstring edge = root + L"\\" + std::wstring(MAX_PATH - 2 - root.size() - 1, L'e');
  ASSERT_EQ(edge.size(), static_cast<size_t>(MAX_PATH - 2));
  WriteFileOfSize(L"\\\\?\\" + edge + L"\\" + std::wstring(100, L'x') + L"\\inside.txt", 7);
  const ByteCount thousandLevels = BuildDeepTree(root + L"\\deep", 1000);

  EXPECT_EQ(WalkFolder(edge.c_str(), TRUE, TRUE), 7u);
  EXPECT_EQ(WalkFolder(root.c_str(), TRUE, TRUE), 5u + 10u + 7u + thousandLevels);
  WalkFolder(root.c_str(), TRUE, FALSE);
  EXPECT_TRUE(IsEmptyFolder(root));
}

// A per-user walk runs on a thread that impersonates the user; the walk's second thread must
// act with that same token, and with none where the caller has none, never with the
// process's own rights.
bool g_expectToken;
LUID g_expectedToken;  // the caller's
DWORD g_walkingThread;
HANDLE g_workerOpened;  // set once another thread than the walking one has opened an item
std::atomic<int> g_workerOpens, g_wrongTokenOpens;

// The thread's token's id; false when the thread has no token.
bool ThreadTokenId(LUID* id) {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return false;
  TOKEN_STATISTICS statistics = {};
  DWORD size = 0;
  bool known = GetTokenInformation(token, TokenStatistics, &statistics, sizeof statistics, &size);
  CloseHandle(token);
  *id = statistics.TokenId;
  return known;
}

void CheckOpeningThread(HANDLE, const wchar_t* name, size_t length) {
  LUID id = {};
  bool hasToken = ThreadTokenId(&id);
  if (hasToken != g_expectToken || (hasToken && (id.LowPart != g_expectedToken.LowPart ||
                                                 id.HighPart != g_expectedToken.HighPart)))
    ++g_wrongTokenOpens;
  // The walking thread leaves the inner folders to the worker until it has opened one, so
  // that the worker surely takes part; without a worker, one wait is enough to tell.
  if (GetCurrentThreadId() != g_walkingThread) {
    ++g_workerOpens;
    SetEvent(g_workerOpened);
  } else if (std::wstring(name, length) == L"inner" &&
             WaitForSingleObject(g_workerOpened, 10000) == WAIT_TIMEOUT) {
    SetEvent(g_workerOpened);
  }
}

TEST(WalkFolder, ItsSecondThreadActsWithTheCallersToken) {
  std::wstring root = FreshTestFolder(L"walk-token");
  for (wchar_t name = L'a'; name <= L'h'; ++name)
    WriteFileOfSize(root + L"\\" + name + L"\\inner\\x.tmp", 10);
  g_workerOpened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_walkingThread = GetCurrentThreadId();
  g_pfnBeforeOpenListed = CheckOpeningThread;
  for (BOOL measureOnly : {TRUE, FALSE}) {
    SCOPED_TRACE(measureOnly ? "impersonating, measure" : "no token, delete");
    if (measureOnly) {
      ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    }
    g_expectToken = ThreadTokenId(&g_expectedToken);
    ASSERT_EQ(g_expectToken, measureOnly != FALSE);
    g_workerOpens = g_wrongTokenOpens = 0;
    ResetEvent(g_workerOpened);
    EXPECT_EQ(WalkFolder(root.c_str(), TRUE, measureOnly), measureOnly ? 80u : 0u);
    RevertToSelf();
    EXPECT_GT(g_workerOpens, 0);
    EXPECT_EQ(g_wrongTokenOpens, 0);
  }
  g_pfnBeforeOpenListed = nullptr;
  EXPECT_TRUE(IsEmptyFolder(root));
  CloseHandle(g_workerOpened);
}

// The listing's mask also matches 8.3 short names; a pattern takes what the name itself matches.
TEST(ItemHandles, APatternMatchesTheNameItself) {
  EXPECT_TRUE(NameMatchesMask(L"CRASH.DMP", 9, L"*.dmp"));
  EXPECT_TRUE(NameMatchesMask(L"crash.dmp-1", 9, L"*.dmp"));  // listed names are not terminated
  EXPECT_FALSE(NameMatchesMask(L"crash.dmp-1", 11, L"*.dmp"));
  EXPECT_FALSE(NameMatchesMask(L"notes.dmpx", 10, L"*.dmp"));
  EXPECT_FALSE(NameMatchesMask(L"xy.dmp", 6, L"?.dmp"));
  EXPECT_TRUE(NameMatchesMask(L"FontCache-S-1.dat", 17, L"FontCache*.dat"));
  EXPECT_TRUE(NameMatchesMask(L"abab", 4, L"a*b*b"));
  EXPECT_FALSE(NameMatchesMask(L"abba", 4, L"a*b*b"));
}

// Answers that Windows gives and Wine never does: a read-only name deleted as it stands
// (Windows 10 1809 and later), and an open that met another program's opportunistic lock.
TEST(ItemHandles, DecidesFromTheSystemsAnswers) {
  const LONG kInvalidInfoClass = static_cast<LONG>(0xC0000003);  // before Windows 10
  const LONG kInvalidParameter = static_cast<LONG>(0xC000000D);  // Windows 10 before 1809
  EXPECT_FALSE(MayClearReadOnly(0, 1));  // deleted: the attribute stays as it was
  EXPECT_TRUE(MayClearReadOnly(kInvalidInfoClass, 1));
  EXPECT_FALSE(MayClearReadOnly(kInvalidInfoClass, 2));
  EXPECT_FALSE(MayClearReadOnly(kInvalidParameter, 3));
  EXPECT_FALSE(MayClearReadOnly(kInvalidInfoClass, 0));  // the number of names unknown
  EXPECT_TRUE(MayClearReadOnly(kInvalidParameter, 1));
  const LONG kCannotDelete = static_cast<LONG>(0xC0000121);  // a program running from it
  EXPECT_FALSE(MayClearReadOnly(kCannotDelete, 1));
  const LONG kOplockBreak = 0x108;  // STATUS_OPLOCK_BREAK_IN_PROGRESS
  const LONG kSharingViolation = static_cast<LONG>(0xC0000043);
  EXPECT_TRUE(IsOpenForUse(0));
  EXPECT_FALSE(IsOpenForUse(kOplockBreak));
  EXPECT_FALSE(IsOpenForUse(kSharingViolation));
  // A writable file's open with delete-on-close.
  EXPECT_EQ(FastDeleteStepFor(0), kCloseToDelete);
  EXPECT_EQ(FastDeleteStepFor(kOplockBreak), kWithdrawToClose);
  EXPECT_EQ(FastDeleteStepFor(kCannotDelete), kDeleteCarefully);  // read-only since listed
  EXPECT_EQ(FastDeleteStepFor(kSharingViolation), kLeaveAsIs);
  EXPECT_EQ(FastDeleteStepFor(static_cast<LONG>(0xC00000BA)), kLeaveAsIs);  // now a folder
  EXPECT_EQ(FastDeleteStepFor(static_cast<LONG>(0xC0000022)), kLeaveAsIs);  // access denied
}

TEST(GetMatchingFilesSize, CountsOnlyPlainFilesAndAddsToTheTotal) {
  std::wstring root = FreshTestFolder(L"matching");
  WriteFileOfSize(root + L"\\one.dmp", 1500);
  WriteSparseFile(root + L"\\two.dmp", 6442450944ull);
  WriteFileOfSize(root + L"\\other.txt", 99);
  WriteFileOfSize(root + L"\\folder.dmp\\inside.dmp", 70);
  ByteCount total = 1000;
  EXPECT_EQ(GetMatchingFilesSize((root + L"\\*.dmp").c_str(), &total), 0);
  EXPECT_EQ(total, 1000u + 1500u + 6442450944ull);

  ByteCount untouched = 42;
  EXPECT_EQ(GetMatchingFilesSize((root + L"\\*.none").c_str(), &untouched), -1);
  EXPECT_EQ(untouched, 42u);
}

TEST(GetFileSizeOf, ReportsSizeOrTheOpenFailure) {
  std::wstring root = FreshTestFolder(L"file-size");
  WriteSparseFile(root + L"\\big.dmp", 5368709120ull);
  LARGE_INTEGER size;
  size.QuadPart = 0;
  EXPECT_EQ(GetFileSizeOf((root + L"\\big.dmp").c_str(), &size), 0);
  EXPECT_EQ(size.QuadPart, 5368709120ll);

  size.QuadPart = 77;
  testing::internal::CaptureStdout();
  EXPECT_EQ(GetFileSizeOf((root + L"\\missing.dmp").c_str(), &size), 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateFile failed with 2\n");
  EXPECT_EQ(size.QuadPart, 77);
}

TEST(GetSpecialFolder, PathsComeWithoutTrailingBackslash) {
  const int folders[] = {CSIDL_PERSONAL,      CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                         CSIDL_INTERNET_CACHE, CSIDL_COMMON_APPDATA, CSIDL_WINDOWS,
                         CSIDL_SYSTEM,         CSIDL_PROGRAM_FILES,  CSIDL_PROGRAM_FILESX86};
  for (int csidl : folders) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_EQ(GetSpecialFolder(csidl, path), 0) << csidl;
    size_t length = wcslen(path);
    ASSERT_GT(length, 3u) << csidl;
    EXPECT_NE(path[length - 1], L'\\') << csidl;
    EXPECT_TRUE(PathExists(path) || csidl == CSIDL_INTERNET_CACHE) << csidl;
  }
  EXPECT_EQ(KnownFolder(CSIDL_WINDOWS), L"C:\\windows");
  wchar_t none[MAX_PATH] = {};
  EXPECT_EQ(GetSpecialFolder(0x7F, none), -1);  // no such folder
}

}  // namespace
