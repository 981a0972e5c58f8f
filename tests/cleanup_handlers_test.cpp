// Windows' own cleanup handlers as rows after the written ones: which server file is loaded for a
// registration, and the main window with test handlers registered in the prefix, surveyed,
// cleaned while the survey still holds one, and closed while one is still sizing.
#include "gui_support.h"
#include "test_support.h"

#include "app/spruce_dlg.h"
#include "engine/rows/categories.h"
#include "engine/handlers/cleanup_handlers.h"
#include "engine/handlers/server_access.h"
#include "res/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

TEST(CleanupHandlerServer, OnlyTheSystemsOwnFoldersArePutIntoARegistration) {
  const std::wstring windows = KnownFolder(CSIDL_WINDOWS);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  // The user can set these for an elevated program too: they must change nothing.
  SetEnvironmentVariableW(L"SystemRoot", L"C:\\spruce-tests\\fake");
  SetEnvironmentVariableW(L"windir", L"C:\\spruce-tests\\fake");
  const struct {
    const wchar_t* registered;
    BOOL expandable;
    std::wstring expected;  // empty: refused
  } cases[] = {
      {L"%SystemRoot%\\System32\\dataclen.dll", TRUE, windows + L"\\System32\\dataclen.dll"},
      {L"%WINDIR%\\System32\\dataclen.dll", TRUE, windows + L"\\System32\\dataclen.dll"},
      {L"%ProgramFiles%\\Vendor\\clean.dll", TRUE,
       KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Vendor\\clean.dll"},
      {L"dataclen.dll", FALSE, std::wstring(system) + L"\\dataclen.dll"},
      {L"dataclen.dll", TRUE, std::wstring(system) + L"\\dataclen.dll"},
      {L"D:\\Vendor\\clean.dll", FALSE, L"D:\\Vendor\\clean.dll"},
      {L"%SystemRoot%\\System32\\dataclen.dll", FALSE, L""},  // not expanded: a literal name
      {L"%TEMP%\\clean.dll", TRUE, L""},
      {L"%SystemRoot%\\%USERNAME%\\clean.dll", TRUE, L""},
      {L"Vendor\\clean.dll", FALSE, L""},
      {L"..\\clean.dll", FALSE, L""},
      {L"C:clean.dll", FALSE, L""},
      {L"\\Vendor\\clean.dll", FALSE, L""},
      {L"\\\\server\\share\\clean.dll", FALSE, L""},
      {L"C:\\Vendor\\..\\clean.dll", FALSE, L""},
      {L"", FALSE, L""},
  };
  for (const auto& testCase : cases) {
    wchar_t path[MAX_PATH];
    bool taken = HandlerServerPath(testCase.registered, testCase.expandable, path);
    EXPECT_EQ(taken ? std::wstring(path) : L"", testCase.expected) << testCase.registered;
  }
  SetEnvironmentVariableW(L"SystemRoot", windows.c_str());
  SetEnvironmentVariableW(L"windir", windows.c_str());
}

TEST(CleanupHandlerServer, WrittenRowsCoverTheirHandlersWhateverTheCase) {
  for (const wchar_t* name : {L"Temporary Files", L"temporary files", L"Recycle Bin",
                              L"Windows Error Reporting Queue Files", L"Update Cleanup"})
    EXPECT_TRUE(IsCoveredByWrittenRow(name)) << name;
  // The machine's report store is not row 9's.
  for (const wchar_t* name : {L"Temporary Setup Files", L"Windows Error Reporting Files",
                              L"Windows Error Reporting System Queue Files",
                              L"Previous Installations", L"Recycle Bin Old", L"DownloadsFolder"})
    EXPECT_FALSE(IsCoveredByWrittenRow(name)) << name;
}

// Access rules as Windows would report them: entries of a group, in order.
struct RuleEntry {
  bool deny;
  WELL_KNOWN_SID_TYPE group;
  ACCESS_MASK rights;
  BYTE flags;  // inheritance
};

class CRules {
 public:
  explicit CRules(const std::vector<RuleEntry>& entries) : m_data(2048) {
    ACL* acl = reinterpret_cast<ACL*>(m_data.data());
    EXPECT_TRUE(InitializeAcl(acl, static_cast<DWORD>(m_data.size()), ACL_REVISION));
    for (const RuleEntry& entry : entries) {
      BYTE sid[SECURITY_MAX_SID_SIZE];
      DWORD size = sizeof sid;
      EXPECT_TRUE(CreateWellKnownSid(entry.group, nullptr, sid, &size));
      EXPECT_TRUE(entry.deny
                      ? AddAccessDeniedAceEx(acl, ACL_REVISION, entry.flags, entry.rights, sid)
                      : AddAccessAllowedAceEx(acl, ACL_REVISION, entry.flags, entry.rights, sid));
    }
  }
  const ACL* Get() const { return reinterpret_cast<const ACL*>(m_data.data()); }

 private:
  std::vector<BYTE> m_data;
};

const BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
const BYTE kInheritOnly = kInherited | INHERIT_ONLY_ACE;
// What Windows gives the system and Program Files folders: administrators and the system change
// them, everyone else reads; the creator of an item inside owns it.
const std::vector<RuleEntry> kAdministratorsOnly = {
    {false, WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, kInherited},
    {false, WinLocalSystemSid, GENERIC_ALL, kInherited},
    {false, WinCreatorOwnerSid, GENERIC_ALL, kInheritOnly},
    {false, WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, kInherited},
    {false, WinWorldSid, FILE_GENERIC_READ, 0},
};

TEST(HandlerServerRules, OnlyWhatTheBroadGroupsCannotChangeIsLoaded) {
  const struct {
    const char* what;
    CRules rules;
    bool file, folder, above;  // whether the broad groups may change it as each part
  } cases[] = {
      {"administrators only", CRules(kAdministratorsOnly), false, false, false},
      {"users write the file", CRules({{false, WinBuiltinUsersSid, FILE_WRITE_DATA, 0}}), true,
       true, false},
      {"generic write", CRules({{false, WinAuthenticatedUserSid, GENERIC_WRITE, 0}}), true, true,
       false},
      {"delete", CRules({{false, WinBuiltinUsersSid, DELETE, 0}}), true, true, true},
      {"permissions", CRules({{false, WinWorldSid, WRITE_DAC, 0}}), true, true, true},
      {"files added", CRules({{false, WinInteractiveSid, FILE_ADD_FILE, 0}}), true, true, false},
      // A drive's root: any account may make a folder there.
      {"folders added", CRules({{false, WinAuthenticatedUserSid, FILE_ADD_SUBDIRECTORY, 0}}),
       true, true, false},
      {"what it holds deleted", CRules({{false, WinBuiltinUsersSid, FILE_DELETE_CHILD, 0}}),
       false, true, true},
      {"inherit-only write", CRules({{false, WinBuiltinUsersSid, FILE_ALL_ACCESS, kInheritOnly}}),
       false, false, false},
      {"inherited write", CRules({{false, WinBuiltinUsersSid, FILE_ALL_ACCESS, kInherited}}),
       true, true, true},
      {"denied to everyone first",
       CRules({{true, WinWorldSid, FILE_ALL_ACCESS, 0},
               {false, WinBuiltinUsersSid, FILE_ALL_ACCESS, 0}}),
       false, false, false},
      {"denied to everyone after",
       CRules({{false, WinBuiltinUsersSid, DELETE, 0}, {true, WinWorldSid, FILE_ALL_ACCESS, 0}}),
       true, true, true},
      {"denied to users only",
       CRules({{true, WinBuiltinUsersSid, FILE_ALL_ACCESS, 0},
               {false, WinWorldSid, FILE_ALL_ACCESS, 0}}),
       true, true, true},
      {"inherit-only deny",
       CRules({{true, WinWorldSid, FILE_ALL_ACCESS, kInheritOnly},
               {false, WinWorldSid, FILE_ALL_ACCESS, 0}}),
       true, true, true},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(LetsBroadGroupsChange(testCase.rules.Get(), kServerFile), testCase.file)
        << testCase.what;
    EXPECT_EQ(LetsBroadGroupsChange(testCase.rules.Get(), kServerFolder), testCase.folder)
        << testCase.what;
    EXPECT_EQ(LetsBroadGroupsChange(testCase.rules.Get(), kAboveTrustedFolder), testCase.above)
        << testCase.what;
  }
  // No rules at all: everyone may do anything.
  for (ServerPathPart part : {kServerFile, kServerFolder, kAboveTrustedFolder})
    EXPECT_TRUE(LetsBroadGroupsChange(nullptr, part));
}

// A vendor's folder in Program Files, which only administrators write (Wine shows every file
// as read-only to Everyone, so the rules pass there).
std::wstring VendorFolder() {
  const std::wstring folder = KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Spruce Tests";
  MakeFolders(folder);
  return folder;
}

// The test handler installed there, as a vendor's installer would put it.
std::wstring InstalledServer() {
  const std::wstring server = VendorFolder() + L"\\spruce_test_cleanup_handler.dll";
  // Loaded by an earlier test, it stays in place.
  if (!PathExists(server)) {
    EXPECT_TRUE(CopyFileW(BesideTestProgram(L"spruce_test_cleanup_handler.dll").c_str(),
                          server.c_str(), TRUE));
  }
  return server;
}

TEST(HandlerServerPlaces, OnlyTheSystemAndProgramFilesFoldersReachedWithoutLinks) {
  const std::wstring outside = FreshTestFolder(L"handler-places");
  WriteFileOfSize(outside + L"\\clean.dll", 100);
  const std::wstring installed = InstalledServer();
  const std::wstring vendor = VendorFolder();
  const std::wstring link = vendor + L"\\linked";
  RemoveTree(link);
  MakeFolderLink(link, outside);
  const struct {
    std::wstring path;
    bool loaded;
  } cases[] = {
      {KnownFolder(CSIDL_SYSTEM) + L"\\kernel32.dll", true},
      {installed, true},
      {outside + L"\\clean.dll", false},
      {link + L"\\clean.dll", false},  // a link on the way out of Program Files
      {vendor + L"\\linked", false},  // no file
      {KnownFolder(CSIDL_PROGRAM_FILES) + L"X\\Spruce Tests\\clean.dll", false},
      {vendor + L"\\..\\Spruce Tests\\spruce_test_cleanup_handler.dll", false},
      {KnownFolder(CSIDL_PROGRAM_FILES) + L"/Spruce Tests/spruce_test_cleanup_handler.dll",
       false},
  };
  for (const auto& testCase : cases)
    EXPECT_EQ(IsAdministratorsOnlyServer(testCase.path.c_str()), testCase.loaded)
        << testCase.path.c_str();
  RemoveTree(link);
}

const wchar_t kVolumeCaches[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\";
// The test handler's classes (tests/test_cleanup_handler.c): the second offers only the first
// interface version; the third is registered nowhere.
const wchar_t kHandlerClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A51}";
const wchar_t kFirstVersionClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A52}";
const wchar_t kUnregisteredClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A53}";
const wchar_t kPropertyBagClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A54}";

std::wstring ClassKey(const wchar_t* clsid) {
  return std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + clsid;
}

// Registrations go into the prefix's HKLM, where Windows keeps them.
void SetString(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

template <typename Number>
void SetNumber(const std::wstring& handler, const wchar_t* name, Number value) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kVolumeCaches + handler).c_str(), name,
                            sizeof value == 8 ? REG_QWORD : REG_DWORD, &value, sizeof value),
            ERROR_SUCCESS);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string text(64 * 1024, '\0');
  DWORD read = 0;
  ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

class CleanupHandlerRows : public testing::Test {
 protected:
  void SetUp() override {
    RemoveRegistrations();
    RemoveApplicationData();  // the rows after the written ones are the handlers' alone
    m_record = FreshTestFolder(L"cleanup-handlers") + L"\\calls.txt";
    m_volume = KnownFolder(CSIDL_WINDOWS).substr(0, 3);
  }
  void TearDown() override { RemoveRegistrations(); }

  // Everything registered here goes, so that other windows see the written rows alone.
  static void RemoveRegistrations() {
    for (const wchar_t* name :
         {L"Spruce Test Failing", L"Spruce Test Handler", L"Spruce Test Unregistered",
          L"Temporary Files", L"Zz Spruce Test End", L"Spruce Test Slow", L"DownloadsFolder",
          L"Spruce Test Bag", L"Spruce Test Empty", L"Spruce Test Error", L"Spruce Test Older",
          L"Spruce Test Unknown", L"Spruce Test Busy"})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kVolumeCaches + std::wstring(name)).c_str());
    for (const wchar_t* clsid : {kHandlerClass, kFirstVersionClass, kPropertyBagClass})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(clsid).c_str());
  }

  static void RegisterServer(const wchar_t* clsid, const std::wstring& server = InstalledServer()) {
    const std::wstring key = ClassKey(clsid) + L"\\InprocServer32";
    SetString(key, nullptr, server);
    SetString(key, L"ThreadingModel", L"Apartment");
  }

  void AddHandler(const std::wstring& name, const wchar_t* clsid) {
    SetString(kVolumeCaches + name, nullptr, clsid);
    SetString(kVolumeCaches + name, L"Record", m_record);
  }

  std::vector<std::string> Calls() const { return ReadLines(m_record); }
  bool CallsReach(size_t count) const { return Calls().size() >= count; }
  std::string Started(const char* call, const char* keyName) const {
    std::string volume(m_volume.begin(), m_volume.end());
    return std::string(call) + " " + keyName + " " + volume;
  }
  // The calls of a handler created, initialised, sized and let go, with purge calls between.
  void AddSized(std::vector<std::string>* calls, const char* call, const char* keyName,
                std::vector<std::string> purge = {}) const {
    calls->push_back(Started(call, keyName));
    calls->push_back("GetSpaceUsed");
    calls->insert(calls->end(), purge.begin(), purge.end());
    calls->insert(calls->end(), {"Deactivate", "Released"});
  }

  std::wstring m_record;
  std::wstring m_volume;
};

// Rows where Disk Cleanup would list the handler, each cleaned when ticked and marked with
// what came of it, and the description as the row's tip.
TEST_F(CleanupHandlerRows, HandlersDiskCleanupWouldListAreUncheckedRowsCleanedWhenTicked) {
  for (const wchar_t* name : {L"DownloadsFolder", L"Spruce Test Failing", L"Spruce Test Handler",
                              L"Spruce Test Unknown", L"Spruce Test Empty", L"Spruce Test Error",
                              L"Spruce Test Bag", L"Temporary Files", L"Zz Spruce Test End"})
    AddHandler(name, kHandlerClass);
  AddHandler(L"Spruce Test Unregistered", kUnregisteredClass);
  AddHandler(L"Spruce Test Older", kFirstVersionClass);  // gives neither label nor description
  const std::wstring older = kVolumeCaches + std::wstring(L"Spruce Test Older");
  SetString(older, L"Display", L"Older test cleaner");
  SetString(older, L"Description", L"Older description");
  SetNumber(L"Spruce Test Failing", L"Result", static_cast<DWORD>(E_FAIL));
  const std::wstring handler = kVolumeCaches + std::wstring(L"Spruce Test Handler");
  SetString(handler, L"Name", L"Spruce test handler");
  SetString(handler, L"About", L"Test description");
  SetString(handler, L"Display", L"Not this label");
  SetNumber(L"Spruce Test Handler", L"Size", 5000ull);
  SetNumber(L"Spruce Test Unknown", L"Size", ~0ull);
  SetNumber(L"Spruce Test Unknown", L"PurgeResult", static_cast<DWORD>(E_FAIL));
  SetNumber(L"Spruce Test Empty", L"Flags", DWORD{EVCF_DONTSHOWIFZERO});
  SetNumber(L"Spruce Test Error", L"SpaceResult", static_cast<DWORD>(S_FALSE));
  SetString(kVolumeCaches + std::wstring(L"Spruce Test Bag"), L"PropertyBag", kPropertyBagClass);
  SetNumber(L"Spruce Test Bag", L"Size", 2048ull);
  SetNumber(L"Zz Spruce Test End", L"Result", static_cast<DWORD>(S_FALSE));  // nothing to clean
  for (const wchar_t* clsid : {kHandlerClass, kFirstVersionClass, kPropertyBagClass})
    RegisterServer(clsid);

  std::vector<std::string> surveyed;
  AddSized(&surveyed, "InitializeEx", "Spruce Test Bag");
  AddSized(&surveyed, "InitializeEx", "Spruce Test Empty");
  AddSized(&surveyed, "InitializeEx", "Spruce Test Error");
  surveyed.insert(surveyed.end(), {Started("InitializeEx", "Spruce Test Failing"), "Released"});
  AddSized(&surveyed, "InitializeEx", "Spruce Test Handler");
  AddSized(&surveyed, "Initialize", "-");
  AddSized(&surveyed, "InitializeEx", "Spruce Test Unknown");
  surveyed.insert(surveyed.end(), {Started("InitializeEx", "Zz Spruce Test End"), "Released"});
  CSpruceDlg dialog;
  std::vector<std::wstring> labels, sizes, tips, cleanedSizes;
  std::vector<bool> checks;
  std::vector<std::string> surveyCalls, allCalls;
  bool enabledAfter = false;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    EXPECT_TRUE(PumpUntil([&] { return CallsReach(surveyed.size()); }));
    surveyCalls = Calls();
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
      labels.push_back(CellText(list, row, 0));
      sizes.push_back(CellText(list, row, 1));
      checks.push_back(ListView_GetCheckState(list, row) != 0);
      wchar_t tip[INFOTIPSIZE] = L"";
      NMLVGETINFOTIPW ask = {{list, IDC_CATEGORY_LIST, static_cast<UINT>(LVN_GETINFOTIPW)},
                             LVGIT_UNFOLDED, tip, INFOTIPSIZE, row, 0, 0};
      SendMessageW(window, WM_NOTIFY, IDC_CATEGORY_LIST, reinterpret_cast<LPARAM>(&ask));
      tips.push_back(tip);
    }
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      ListView_SetCheckState(list, row, row == kCategoryCount + 1 || row == kCategoryCount + 3);
    ClickControl(window, IDC_CLEAN);
    enabledAfter = PumpUntil([&] {
      return CallsReach(surveyed.size() + 10) && IsWindowEnabled(GetDlgItem(window, IDC_CLEAN));
    });
    allCalls = Calls();
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      cleanedSizes.push_back(CellText(list, row, 1));
    dialog.EndDialog(IDCANCEL);
  });

  // The written rows keep their places, checks and no tip; the added ones follow, unchecked.
  ASSERT_GE(labels.size(), static_cast<size_t>(kCategoryCount));
  for (int row = 0; row < kCategoryCount; ++row) {
    EXPECT_EQ(labels[row], kCategoryRows[row].label) << row;
    EXPECT_EQ(checks[row], IsCheckedAtStart(row) != FALSE) << row;
    EXPECT_EQ(tips[row], L"") << row;
  }
  const std::vector<std::wstring> added[] = {
      {L"Bag label", L"Spruce test handler", L"Older test cleaner", L"Spruce Test Unknown"},
      {L"2 KB", L"4 KB", L"0 B", L"未知"},
      {L"Bag description", L"Test description", L"Older description", L""},
      {L"2 KB", L"OK", L"0 B", L"失败"}};
  int column = 0;
  for (const auto* cells : {&labels, &sizes, &tips, &cleanedSizes})
    EXPECT_EQ(std::vector<std::wstring>(cells->begin() + kCategoryCount, cells->end()),
              added[column++]);
  for (size_t row = kCategoryCount; row < checks.size(); ++row) EXPECT_FALSE(checks[row]);
  // The survey sizes, never purges, and deactivates only what it has initialised.
  EXPECT_EQ(surveyCalls, surveyed);
  // The clean run creates the ticked rows' handlers anew and purges what they have sized.
  std::vector<std::string> expected = surveyed;
  AddSized(&expected, "InitializeEx", "Spruce Test Handler", {"Purge 5000"});
  AddSized(&expected, "InitializeEx", "Spruce Test Unknown", {"Purge 18446744073709551615"});
  EXPECT_EQ(allCalls, expected);
  EXPECT_TRUE(enabledAfter);
  // Threads of a server may still run once its objects are gone.
  EXPECT_NE(GetModuleHandleW(L"spruce_test_cleanup_handler.dll"), nullptr);
}

// A registration that names a DLL where users may add files, or reached through a link, gets
// the handler no object and never loads the DLL; the same handler installed in Program Files
// opens.
TEST_F(CleanupHandlerRows, AServerThatUsersCouldChangeIsNeverLoaded) {
  const std::wstring outside = FreshTestFolder(L"handler-outside");
  ASSERT_TRUE(CopyFileW(BesideTestProgram(L"spruce_test_cleanup_handler.dll").c_str(),
                        (outside + L"\\spruce_outside_handler.dll").c_str(), FALSE));
  const std::wstring link = VendorFolder() + L"\\outside";
  RemoveTree(link);
  MakeFolderLink(link, outside);
  AddHandler(L"Spruce Test Handler", kHandlerClass);
  const LPARAM number = RememberHandlerKey(L"Spruce Test Handler");
  CComApartment apartment;
  for (const std::wstring& folder : {outside, link}) {
    RegisterServer(kHandlerClass, folder + L"\\spruce_outside_handler.dll");
    CCleanupHandler handler;
    EXPECT_EQ(handler.Open(number), E_FAIL) << folder.c_str();
  }
  EXPECT_EQ(GetModuleHandleW(L"spruce_outside_handler.dll"), nullptr);
  EXPECT_TRUE(Calls().empty());
  RegisterServer(kHandlerClass);
  {
    CCleanupHandler handler;
    EXPECT_EQ(handler.Open(number), S_OK);
  }
  EXPECT_EQ(Calls(), (std::vector<std::string>{Started("InitializeEx", "Spruce Test Handler"),
                                               "Deactivate", "Released"}));
  RemoveTree(link);
}

// A row ticked and cleaned while the survey still holds its handler: the clean waits, the row
// says it is being cleaned, and the window goes on serving its messages.
TEST_F(CleanupHandlerRows, CleanWaitsForTheSurveysInstanceAndShowsItIsAtWork) {
  AddHandler(L"Spruce Test Busy", kHandlerClass);
  SetNumber(L"Spruce Test Busy", L"Size", 1ull);
  SetNumber(L"Spruce Test Busy", L"DeactivateDelay", DWORD{1500});
  SetNumber(L"Spruce Test Busy", L"PurgeDelay", DWORD{1500});
  RegisterServer(kHandlerClass);
  CSpruceDlg dialog;
  bool sawCleaning = false;
  std::wstring cleaned;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(list) > kCategoryCount; }));
    for (int row = 0; row <= kCategoryCount; ++row)
      ListView_SetCheckState(list, row, row == kCategoryCount);
    ClickControl(window, IDC_CLEAN);
    sawCleaning = PumpUntil([&] { return CellText(list, kCategoryCount, 1) == L"清理中..."; });
    PumpUntil([&] { return IsWindowEnabled(GetDlgItem(window, IDC_CLEAN)) != FALSE; });
    cleaned = CellText(list, kCategoryCount, 1);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_TRUE(sawCleaning);
  EXPECT_EQ(cleaned, L"OK");
  std::vector<std::string> expected;
  AddSized(&expected, "InitializeEx", "Spruce Test Busy");
  AddSized(&expected, "InitializeEx", "Spruce Test Busy", {"Purge 1"});
  EXPECT_EQ(Calls(), expected);
}

TEST_F(CleanupHandlerRows, AHandlerStillSizingWhenTheWindowClosesIsToldToStop) {
  AddHandler(L"Spruce Test Slow", kFirstVersionClass);
  SetNumber(L"Spruce Test Slow", L"ScanUntilStopped", DWORD{1});
  RegisterServer(kFirstVersionClass);

  CSpruceDlg dialog;
  int rows = 0;
  RunModalWith(dialog, [&] {
    HWND list = GetDlgItem(dialog.m_hWnd, IDC_CATEGORY_LIST);
    // The window goes on serving its messages while the handler sizes; no row before its size.
    EXPECT_TRUE(PumpUntil([&] { return CallsReach(2); }));
    rows = ListView_GetItemCount(list);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(rows, kCategoryCount);
  DWORD closedAt = GetTickCount();
  while (!CallsReach(5) && GetTickCount() - closedAt < 10000) Sleep(20);
  EXPECT_EQ(Calls(), (std::vector<std::string>{Started("Initialize", "-"), "GetSpaceUsed",
                                               "ScanStopped", "Deactivate", "Released"}));
}

}  // namespace
