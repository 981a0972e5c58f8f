// The user's own places are reached from the profile folder with the user's own rights: what
// the user's settings name elsewhere is never cleaned as administrator.
#include "test_support.h"

#include "engine/places/paths.h"
#include "engine/places/user_places.h"
#include "engine/places/user_rights.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>

namespace {

const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Sets a value of HKCU's User Shell Folders, as any program the user runs can, for the object's
// life.
class CShellFolderSetting {
 public:
  CShellFolderSetting(const wchar_t* name, const std::wstring& folder) : m_name(name) {
    RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &m_key);
    DWORD size = sizeof m_saved;
    m_hadValue = RegQueryValueExW(m_key, name, nullptr, &m_type,
                                  reinterpret_cast<BYTE*>(m_saved), &size) == ERROR_SUCCESS;
    m_size = size;
    RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  }
  ~CShellFolderSetting() {
    if (m_hadValue)
      RegSetValueExW(m_key, m_name, 0, m_type, reinterpret_cast<const BYTE*>(m_saved), m_size);
    else
      RegDeleteValueW(m_key, m_name);
    RegCloseKey(m_key);
  }
  CShellFolderSetting(const CShellFolderSetting&) = delete;
  CShellFolderSetting& operator=(const CShellFolderSetting&) = delete;

 private:
  const wchar_t* m_name;
  HKEY m_key = nullptr;
  bool m_hadValue;
  DWORD m_type = REG_SZ;
  DWORD m_size = 0;
  wchar_t m_saved[MAX_PATH] = {};
};

// A folder outside every target with files worth 4,608 bytes and a read-only file.
std::wstring MakeOutside(const std::wstring& name) {
  std::wstring outside = FreshTestFolder(name);
  WriteFileOfSize(outside + L"\\precious.doc", 4096);
  WriteFileOfSize(outside + L"\\Temp\\draft.txt", 500, FILE_ATTRIBUTE_READONLY);
  WriteFileOfSize(outside + L"\\Temp\\deeper\\x", 12);
  return outside;
}

void ExpectUntouched(const std::wstring& outside) {
  EXPECT_TRUE(PathExists(outside + L"\\precious.doc"));
  EXPECT_TRUE(GetFileAttributesW((outside + L"\\Temp\\draft.txt").c_str()) &
              FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(PathExists(outside + L"\\Temp\\deeper\\x"));
}

struct AimedSetting {
  const char* name;
  const wchar_t* value;  // the User Shell Folders value set to the outside folder
  ByteCount (*clean)(BOOL measureOnly);
};

TEST(UserPlaces, AKnownFolderTheUsersSettingsPutOutsideTheProfileIsNotCleaned) {
  const AimedSetting settings[] = {
      {"Cache, row 1", L"Cache", CleanInternetCache},
      {"Local AppData, row 5", L"Local AppData", CleanWindowsTemp},
      {"AppData, row 17", L"AppData", CleanQQAll},
  };
  std::wstring outside = MakeOutside(L"outside-aimed");
  // What the QQ row would take in a roaming folder.
  WriteFileOfSize(outside + L"\\Tencent\\Logs\\qq.log", 40);
  // The machine's Temp folder stays the administrator's to clean.
  std::wstring machineFile = KnownFolder(CSIDL_WINDOWS) + L"\\Temp\\machine.tmp";
  for (const AimedSetting& setting : settings) {
    SCOPED_TRACE(setting.name);
    CShellFolderSetting aimed(setting.value, outside);
    WriteFileOfSize(machineFile, 3);
    EXPECT_EQ(setting.clean(TRUE), setting.clean == CleanWindowsTemp ? 3u : 0u);
    setting.clean(FALSE);
    ExpectUntouched(outside);
    EXPECT_TRUE(PathExists(outside + L"\\Tencent\\Logs\\qq.log"));
    EXPECT_EQ(PathExists(machineFile), setting.clean != CleanWindowsTemp);
  }
  RemoveTree(outside);
}

TEST(UserPlaces, AKnownFolderReplacedByALinkIsNotEntered) {
  std::wstring outside = MakeOutside(L"outside-linked");
  std::wstring cache = KnownFolder(CSIDL_INTERNET_CACHE);
  RemoveTree(cache);
  MakeFolderLink(cache, outside);
  EXPECT_EQ(CleanInternetCache(TRUE), 0u);
  CleanInternetCache(FALSE);
  ExpectUntouched(outside);
  RemoveTree(cache);
  MakeFolders(cache);
  RemoveTree(outside);
}

// Documents moved to another drive, as users and Spruce's own tool do: what the rows take
// there is found only with the user's own rights, since only the user's setting says what it is.
TEST(UserPlaces, DocumentsMovedToAnotherDriveAreCleanedOnlyAsTheUser) {
  const std::wstring moved = L"D:\\spruce-documents";
  RemoveTree(moved);
  WriteFileOfSize(moved + L"\\Tencent Files\\12345\\Image\\a.jpg", 300);
  WriteFileOfSize(moved + L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow\\s", 20);
  WriteFileOfSize(moved + L"\\letter.doc", 1000);
  CShellFolderSetting setting(L"Personal", moved);
  ASSERT_EQ(GetShellWindow(), nullptr);
  EXPECT_EQ(CleanQQFilesImages(TRUE), 0u);
  EXPECT_EQ(CleanQQTemp(TRUE), 0u);
  CleanQQFilesImages(FALSE);
  CleanQQTemp(FALSE);
  EXPECT_TRUE(PathExists(moved + L"\\Tencent Files\\12345\\Image\\a.jpg"));
  EXPECT_TRUE(PathExists(moved + L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow\\s"));
  {
    CTestShellWindow shell;
    EXPECT_EQ(CleanQQFilesImages(TRUE), 300u);
    EXPECT_EQ(CleanQQTemp(TRUE), 20u);
    CleanQQFilesImages(FALSE);
    CleanQQTemp(FALSE);
  }
  EXPECT_TRUE(IsEmptyFolder(moved + L"\\Tencent Files\\12345\\Image"));
  EXPECT_TRUE(IsEmptyFolder(moved + L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow"));
  EXPECT_TRUE(PathExists(moved + L"\\letter.doc"));
  EXPECT_EQ(GetShellWindow(), nullptr);
  RemoveTree(moved);
}

TEST(UserPlaces, OnlyNamesBelowTheProfileCount) {
  const wchar_t profile[] = L"C:\\Users\\Alice";
  EXPECT_STREQ(PartBelowProfile(L"c:\\users\\alice\\AppData\\Local", profile), L"\\AppData\\Local");
  EXPECT_STREQ(PartBelowProfile(L"C:\\Users\\Alice/Documents", profile), L"/Documents");
  for (const wchar_t* elsewhere :
       {L"C:\\Users\\Alice", L"C:\\Users\\Alice\\", L"C:\\Users\\Alice2\\AppData",
        L"C:\\Users\\Alice\\..\\Bob\\AppData", L"C:\\Users\\Alice\\AppData\\.\\Local",
        L"C:\\Users\\Alice\\AppData\\\\Local", L"C:\\Users\\Alice\\AppData/../../Bob",
        L"D:\\Users\\Alice\\AppData", L"C:\\ProgramData\\Vendor"}) {
    EXPECT_EQ(PartBelowProfile(elsewhere, profile), nullptr) << elsewhere;
  }
  EXPECT_EQ(PartBelowProfile(L"C:\\Users\\Alice\\AppData", L""), nullptr);
}

// What the walk's thread acts as whenever it opens an item.
std::function<void()> g_onOpen;
void OnOpen(HANDLE, const wchar_t*, size_t) {
  if (g_onOpen) g_onOpen();
}

std::wstring TokenUserText(HANDLE token) {
  alignas(8) BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD used = 0;
  if (!GetTokenInformation(token, TokenUser, user, sizeof user, &used)) return L"";
  wchar_t text[256] = {};
  DWORD length = 256;
  WCHAR domain[256];
  DWORD domainLength = 256;
  SID_NAME_USE use;
  LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(user)->User.Sid, text, &length, domain,
                    &domainLength, &use);
  return text;
}

TEST(UserRights, PerUserTargetsRunAsTheShellsUserAndMachineTargetsAsTheProcess) {
  CTestShellWindow window;
  HANDLE shell = OpenShellUserToken(kWindowsShellTokenCalls);
  ASSERT_NE(shell, nullptr);
  const std::wstring shellUser = TokenUserText(shell);
  CloseHandle(shell);
  ASSERT_FALSE(shellUser.empty());

  int opens = 0, actingAsShellUser = 0, actingAsProcess = 0;
  g_onOpen = [&] {
    ++opens;
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
      if (TokenUserText(token) == shellUser) ++actingAsShellUser;
      CloseHandle(token);
    } else {
      ++actingAsProcess;
    }
  };
  g_pfnBeforeOpenListed = OnOpen;
  std::wstring cache = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Microsoft\\Terminal Server Client\\Cache";
  WriteFileOfSize(cache + L"\\sub\\bitmap.bmc", 10);
  EXPECT_EQ(CleanRemoteDesktopCache(TRUE), 10u);
  CleanRemoteDesktopCache(FALSE);
  EXPECT_GT(opens, 3);
  EXPECT_EQ(actingAsShellUser, opens);

  opens = actingAsShellUser = 0;
  WriteFileOfSize(KnownFolder(CSIDL_WINDOWS) + L"\\HELP\\sub\\old.hlp", 10);
  EXPECT_EQ(CleanWindowsHelp(TRUE), 10u);
  CleanWindowsHelp(FALSE);
  EXPECT_GT(opens, 1);
  EXPECT_EQ(actingAsProcess, opens);
  g_pfnBeforeOpenListed = nullptr;
  g_onOpen = nullptr;

  HANDLE after = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &after));
}

// A simulated system for the shell's token: each step can be refused; every handle handed out
// is counted until closed.
struct FakeSystem {
  bool shellWindow = true, processOpens = true, tokenOpens = true, duplicates = true;
  bool threadHasToken = false, threadTokenSets = true;
  HANDLE threadToken = nullptr;
  int open = 0;
  DWORD processAsked = 0;
  DWORD duplicateAccess = 0;
  TOKEN_TYPE duplicateType = TokenPrimary;
} g_fake;

HANDLE const kProcess = reinterpret_cast<HANDLE>(0x100);
HANDLE const kPrimary = reinterpret_cast<HANDLE>(0x200);
HANDLE const kDuplicate = reinterpret_cast<HANDLE>(0x300);

HWND WINAPI FakeShellWindow() { return g_fake.shellWindow ? reinterpret_cast<HWND>(0x10) : nullptr; }
DWORD WINAPI FakeWindowProcess(HWND, DWORD* id) {
  *id = 4242;
  return 77;
}
HANDLE WINAPI FakeOpenProcess(DWORD, BOOL, DWORD id) {
  g_fake.processAsked = id;
  if (!g_fake.processOpens) return nullptr;
  ++g_fake.open;
  return kProcess;
}
BOOL WINAPI FakeOpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
  if (!g_fake.tokenOpens || process != kProcess) return FALSE;
  ++g_fake.open;
  *token = kPrimary;
  return TRUE;
}
BOOL WINAPI FakeDuplicate(HANDLE token, DWORD access, LPSECURITY_ATTRIBUTES,
                          SECURITY_IMPERSONATION_LEVEL, TOKEN_TYPE type, HANDLE* duplicate) {
  if (!g_fake.duplicates || token != kPrimary) return FALSE;
  g_fake.duplicateAccess = access;
  g_fake.duplicateType = type;
  ++g_fake.open;
  *duplicate = kDuplicate;
  return TRUE;
}
BOOL WINAPI FakeClose(HANDLE) {
  --g_fake.open;
  return TRUE;
}
BOOL WINAPI FakeOpenThreadToken(HANDLE, DWORD, BOOL, HANDLE* token) {
  if (!g_fake.threadHasToken) return FALSE;
  ++g_fake.open;
  *token = kPrimary;
  return TRUE;
}
BOOL WINAPI FakeSetThreadToken(HANDLE*, HANDLE token) {
  if (!g_fake.threadTokenSets) return FALSE;
  g_fake.threadToken = token;
  return TRUE;
}
const ShellTokenCalls kFakeCalls = {
    FakeShellWindow, FakeWindowProcess,   FakeOpenProcess,   FakeOpenProcessToken,
    FakeDuplicate,   FakeClose,           FakeOpenThreadToken, FakeSetThreadToken};

TEST(UserRights, TheShellsTokenIsUsedOnlyAsADuplicateForImpersonation) {
  g_fake = FakeSystem();
  EXPECT_EQ(OpenShellUserToken(kFakeCalls), kDuplicate);
  EXPECT_EQ(g_fake.processAsked, 4242u);
  EXPECT_EQ(g_fake.duplicateType, TokenImpersonation);
  EXPECT_TRUE(g_fake.duplicateAccess & TOKEN_IMPERSONATE);
  EXPECT_EQ(g_fake.open, 1);  // only the duplicate, which the caller closes

  // Each refusal on the way: the process's own user, nothing left open.
  bool FakeSystem::*const steps[] = {&FakeSystem::shellWindow, &FakeSystem::processOpens,
                                     &FakeSystem::tokenOpens, &FakeSystem::duplicates};
  for (bool FakeSystem::*step : steps) {
    g_fake = FakeSystem();
    g_fake.*step = false;
    EXPECT_EQ(OpenShellUserToken(kFakeCalls), nullptr);
    EXPECT_EQ(g_fake.open, 0);
  }
}

// Without the user's token a step does not act, and so reaches nothing outside the profile:
// every refusal says so, however far the way went.
TEST(UserRights, AStepActsOnlyWhenTheShellsTokenIsSetOnTheThread) {
  g_fake = FakeSystem();
  EXPECT_EQ(StartActingAsShellUser(kFakeCalls), kStartedActing);
  EXPECT_EQ(g_fake.threadToken, kDuplicate);
  EXPECT_EQ(g_fake.open, 0);  // the thread holds its own reference

  bool FakeSystem::*const refusals[] = {&FakeSystem::shellWindow, &FakeSystem::processOpens,
                                        &FakeSystem::tokenOpens, &FakeSystem::duplicates,
                                        &FakeSystem::threadTokenSets};
  for (bool FakeSystem::*refusal : refusals) {
    g_fake = FakeSystem();
    g_fake.*refusal = false;
    EXPECT_EQ(StartActingAsShellUser(kFakeCalls), kNotActing);
    EXPECT_EQ(g_fake.threadToken, nullptr);
    EXPECT_EQ(g_fake.open, 0);
  }

  // An enclosing step acts already: its token stays, whatever the shell.
  g_fake = FakeSystem();
  g_fake.threadHasToken = true;
  g_fake.shellWindow = false;
  EXPECT_EQ(StartActingAsShellUser(kFakeCalls), kAlreadyActing);
  EXPECT_EQ(g_fake.threadToken, nullptr);
  EXPECT_EQ(g_fake.open, 0);
}

TEST(UserPlaces, TheProfilePathIsExpandedWithTheSystemsValuesOnly) {
  // The process's environment holds the user's own values.
  wchar_t drive[MAX_PATH] = {}, root[MAX_PATH] = {};
  GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
  SetEnvironmentVariableW(L"SystemDrive", L"D:");
  SetEnvironmentVariableW(L"SystemRoot", L"D:\\Evil");
  wchar_t profile[MAX_PATH];
  EXPECT_TRUE(ExpandSystemVariables(L"%SystemDrive%\\Users\\Alice", L"C:\\Windows", profile));
  EXPECT_STREQ(profile, L"C:\\Users\\Alice");
  EXPECT_TRUE(ExpandSystemVariables(L"%systemroot%\\Profiles\\%WINDIR%", L"C:\\Windows", profile));
  EXPECT_STREQ(profile, L"C:\\Windows\\Profiles\\C:\\Windows");
  for (const wchar_t* shaped : {L"%USERPROFILE%\\x", L"C:\\Users\\%USERNAME%", L"C:\\100%"})
    EXPECT_FALSE(ExpandSystemVariables(shaped, L"C:\\Windows", profile)) << shaped;
  SetEnvironmentVariableW(L"SystemDrive", drive);
  SetEnvironmentVariableW(L"SystemRoot", root);
}

}  // namespace
