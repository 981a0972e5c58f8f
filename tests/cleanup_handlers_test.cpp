// Windows' own cleanup handlers as rows after the written ones: which server file is loaded for a
// registration, and the main window with test handlers registered in the prefix, surveyed,
// cleaned and closed while one is still sizing.
#include "gui_support.h"
#include "test_support.h"

#include "app/spruce_dlg.h"
#include "engine/categories.h"
#include "engine/cleanup_handlers.h"
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
                              L"Windows Error Reporting Files",
                              L"Windows Error Reporting System Queue Files", L"Update Cleanup"})
    EXPECT_TRUE(IsCoveredByWrittenRow(name)) << name;
  for (const wchar_t* name : {L"Temporary Setup Files", L"Windows Error", L"Previous Installations",
                              L"Delivery Optimization Files", L"Recycle Bin Old"})
    EXPECT_FALSE(IsCoveredByWrittenRow(name)) << name;
}

const wchar_t kVolumeCaches[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\";
// The test handler's classes (tests/test_cleanup_handler.c): the second offers only the first
// interface version; the third is registered nowhere.
const wchar_t kHandlerClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A51}";
const wchar_t kFirstVersionClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A52}";
const wchar_t kUnregisteredClass[] = L"{7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A53}";

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
    m_record = FreshTestFolder(L"cleanup-handlers") + L"\\calls.txt";
    m_volume = KnownFolder(CSIDL_WINDOWS).substr(0, 3);
  }
  void TearDown() override { RemoveRegistrations(); }

  // Everything registered here goes, so that other windows see the written rows alone.
  static void RemoveRegistrations() {
    for (const wchar_t* name : {L"Spruce Test Failing", L"Spruce Test Handler",
                                L"Spruce Test Unregistered", L"Temporary Files",
                                L"Zz Spruce Test End", L"Spruce Test Slow"})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kVolumeCaches + std::wstring(name)).c_str());
    for (const wchar_t* clsid : {kHandlerClass, kFirstVersionClass})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(clsid).c_str());
  }

  static void RegisterServer(const wchar_t* clsid) {
    const std::wstring key = ClassKey(clsid) + L"\\InprocServer32";
    SetString(key, nullptr,
              BesideTestProgram(L"spruce_test_cleanup_handler.dll"));
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

  std::wstring m_record;
  std::wstring m_volume;
};

TEST_F(CleanupHandlerRows, AHandlerWithSomethingToCleanIsOneUncheckedRowAndCleanedWhenTicked) {
  AddHandler(L"Spruce Test Failing", kHandlerClass);
  SetNumber(L"Spruce Test Failing", L"Result", static_cast<DWORD>(E_FAIL));
  AddHandler(L"Spruce Test Handler", kHandlerClass);
  SetString(kVolumeCaches + std::wstring(L"Spruce Test Handler"), L"Name",
            L"Spruce test handler");
  SetNumber(L"Spruce Test Handler", L"Size", 5000ull);
  AddHandler(L"Spruce Test Unregistered", kUnregisteredClass);
  AddHandler(L"Temporary Files", kHandlerClass);  // the written row 5 cleans these
  AddHandler(L"Zz Spruce Test End", kHandlerClass);
  SetNumber(L"Zz Spruce Test End", L"Result", static_cast<DWORD>(S_FALSE));  // nothing to clean
  RegisterServer(kHandlerClass);

  CSpruceDlg dialog;
  std::vector<std::wstring> labels, sizes, cleanedSizes;
  std::vector<bool> checks;
  std::vector<std::string> surveyCalls, allCalls;
  bool enabledAfter = false;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    // The last handler's release ends the survey's calls.
    EXPECT_TRUE(PumpUntil([&] { return CallsReach(8); }));
    surveyCalls = Calls();
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
      labels.push_back(CellText(list, row, 0));
      sizes.push_back(CellText(list, row, 1));
      checks.push_back(ListView_GetCheckState(list, row) != 0);
    }
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      ListView_SetCheckState(list, row, row == kCategoryCount);
    ClickControl(window, IDC_CLEAN);
    EXPECT_TRUE(PumpUntil([&] { return CellText(list, kCategoryCount, 1) == L"OK"; }));
    enabledAfter = PumpUntil([&] { return IsWindowEnabled(GetDlgItem(window, IDC_CLEAN)); });
    allCalls = Calls();
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      cleanedSizes.push_back(CellText(list, row, 1));
    dialog.EndDialog(IDCANCEL);
  });

  // The written rows keep their places; one row follows them, unchecked, sized.
  ASSERT_EQ(labels.size(), static_cast<size_t>(kCategoryCount + 1));
  for (int row = 0; row < kCategoryCount; ++row) {
    EXPECT_EQ(labels[row], kCategoryRows[row].label) << row;
    EXPECT_EQ(checks[row], IsCheckedAtStart(row) != FALSE) << row;
  }
  EXPECT_EQ(labels[kCategoryCount], L"Spruce test handler");
  EXPECT_EQ(sizes[kCategoryCount], L"4 KB");
  EXPECT_FALSE(checks[kCategoryCount]);
  // The survey sizes, never purges, and deactivates only what it has initialised.
  const std::vector<std::string> surveyed = {
      Started("InitializeEx", "Spruce Test Failing"), "Released",
      Started("InitializeEx", "Spruce Test Handler"), "GetSpaceUsed", "Deactivate", "Released",
      Started("InitializeEx", "Zz Spruce Test End"),  "Released"};
  EXPECT_EQ(surveyCalls, surveyed);
  // The clean run creates the ticked row's handler anew and purges what it has sized.
  std::vector<std::string> expected = surveyed;
  for (const std::string& call : {Started("InitializeEx", "Spruce Test Handler"),
                                  std::string("GetSpaceUsed"), std::string("Purge 5000"),
                                  std::string("Deactivate"), std::string("Released")})
    expected.push_back(call);
  EXPECT_EQ(allCalls, expected);
  EXPECT_TRUE(enabledAfter);
  ASSERT_EQ(cleanedSizes.size(), labels.size());
  for (int row = 0; row < kCategoryCount; ++row) EXPECT_NE(cleanedSizes[row], L"OK") << row;
}

TEST_F(CleanupHandlerRows, AHandlerStillSizingWhenTheWindowClosesIsToldToStop) {
  // An older handler: it gives no display name, so the key's "Display" text is the label.
  AddHandler(L"Spruce Test Slow", kFirstVersionClass);
  SetString(kVolumeCaches + std::wstring(L"Spruce Test Slow"), L"Display",
            L"Slow test cleaner");
  SetNumber(L"Spruce Test Slow", L"ScanUntilStopped", DWORD{1});
  RegisterServer(kFirstVersionClass);

  CSpruceDlg dialog;
  std::wstring label, size;
  bool checked = true;
  RunModalWith(dialog, [&] {
    HWND list = GetDlgItem(dialog.m_hWnd, IDC_CATEGORY_LIST);
    // The window goes on serving its messages while the handler sizes.
    EXPECT_TRUE(PumpUntil([&] { return CallsReach(2); }));
    label = CellText(list, kCategoryCount, 0);
    size = CellText(list, kCategoryCount, 1);
    checked = ListView_GetCheckState(list, kCategoryCount) != 0;
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(label, L"Slow test cleaner");
  EXPECT_EQ(size, L"counting...");
  EXPECT_FALSE(checked);
  DWORD closedAt = GetTickCount();
  while (!CallsReach(5) && GetTickCount() - closedAt < 10000) Sleep(20);
  EXPECT_EQ(Calls(), (std::vector<std::string>{Started("Initialize", "-"), "GetSpaceUsed",
                                               "ScanStopped", "Deactivate", "Released"}));
}

}  // namespace
