// The main window on a virtual display: its list, the survey writing real sizes of trees built
// in the prefix's known folders, the clean run, and the system menu's About item.
#include "gui_support.h"
#include "test_support.h"

#include "app/spruce_dlg.h"
#include "engine/rows/categories.h"
#include "res/resource.h"
#include "res/version.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

const ByteCount kHugeThumbnails = 5368709121ull;  // 5 GiB and a byte: "5120 MB"

bool IsChecked(HWND list, int row) {
  return ListView_GetCheckState(list, row) != 0;
}

void SetChecked(HWND list, int row, bool checked) {
  ListView_SetCheckState(list, row, checked);
}

bool SurveyDone(HWND list) {
  for (int row = 0; row < kCategoryCount; ++row)
    if (row != 13 && CellText(list, row, 1) == L"counting...") return false;
  return true;
}

// Where the tests put data of their own, by row.
struct Seed {
  int row;
  std::wstring file;
  ByteCount size;
};

class MainWindow : public testing::Test {
 protected:
  void SetUp() override {
    // Every category starts empty, so every size the survey shows is the tests' own data.
    RemoveApplicationData();
    for (int row = 0; row < kCategoryCount; ++row)
      if (row != 12 && row != 13) kCategoryRows[row].clean();
    std::wstring windows = KnownFolder(CSIDL_WINDOWS), local = KnownFolder(CSIDL_LOCAL_APPDATA);
    seeds_ = {
        {0, windows + L"\\Downloaded Program Files\\control.ocx", 1023},
        {2, windows + L"\\Offline Web Pages\\news\\page.htm", 2047},
        {5, windows + L"\\Temp\\setup.log", 1000000},
        {5, local + L"\\Temp\\part.tmp", 48576},
        {16, local + L"\\Microsoft\\Windows\\Explorer\\thumbcache_256.db", kHugeThumbnails},
        {17, KnownFolder(CSIDL_APPDATA) + L"\\Tencent\\Logs\\qq.log", 3000},
    };
    for (const Seed& seed : seeds_) {
      if (seed.size > 0xFFFFFFFFull) {
        WriteSparseFile(seed.file, seed.size);
      } else {
        WriteFileOfSize(seed.file, seed.size);
      }
    }
  }

  // What the survey shows for the seeds, row by row.
  static std::vector<std::wstring> SurveyedSizes() {
    return {L"1023 B", L"0 B", L"1 KB", L"0 B", L"0 B", L"1024 KB", L"0 B", L"0 B", L"0 B",
            L"0 B",    L"0 B", L"0 B",  L"0 B", IsWindowsVersionAtLeast() ? L"..." : L"counting...",
            L"0 B",    L"0 B", L"5120 MB", L"2 KB"};
  }

  bool SeedsOfRowExist(int row) const {
    for (const Seed& seed : seeds_)
      if (seed.row == row && !PathExists(seed.file)) return false;
    return true;
  }

  std::vector<Seed> seeds_;
};

TEST_F(MainWindow, ShowsTheCategoriesAndTheSurveyFillsInTheirSizes) {
  CSpruceDlg dialog;
  std::wstring caption, heading0, heading1;
  DWORD extendedStyle = 0;
  std::vector<std::wstring> labels, sizesAtStart, sizes;
  std::vector<bool> checks;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    caption = text;
    extendedStyle = ListView_GetExtendedListViewStyle(list);
    HWND header = ListView_GetHeader(list);
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    Header_GetItem(header, 0, &item);
    heading0 = text;
    Header_GetItem(header, 1, &item);
    heading1 = text;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
      labels.push_back(CellText(list, row, 0));
      sizesAtStart.push_back(CellText(list, row, 1));
      checks.push_back(IsChecked(list, row));
    }
    EXPECT_TRUE(PumpUntil([&] { return SurveyDone(list); }));
    for (int row = 0; row < kCategoryCount; ++row) sizes.push_back(CellText(list, row, 1));
    dialog.EndDialog(IDCANCEL);
  });

  EXPECT_EQ(caption, L"Spruce " + ProjectVersionText(2) + L"    " SPRUCE_CONTACT_EMAIL);
  EXPECT_EQ(heading0, L"名称");
  EXPECT_EQ(heading1, L"大小");
  // Grid lines, sub-item images, check boxes, full row, info tips.
  EXPECT_EQ(extendedStyle & 0x427u, 0x427u);
  ASSERT_EQ(labels.size(), static_cast<size_t>(kCategoryCount));
  for (int row = 0; row < kCategoryCount; ++row) {
    EXPECT_EQ(labels[row], kCategoryRows[row].label) << row;
    EXPECT_EQ(sizesAtStart[row].empty() ? L"" : L"set", L"set") << row;
    EXPECT_EQ(checks[row], IsCheckedAtStart(row) != FALSE) << row;
  }
  EXPECT_FALSE(checks[6] || checks[10] || checks[12]);
  EXPECT_EQ(sizes, SurveyedSizes());
  for (const Seed& seed : seeds_) EXPECT_TRUE(PathExists(seed.file)) << "the survey deleted";
}

// The list's own window procedure, while the test below watches the clean run's writes.
WNDPROC g_listProc = nullptr;
bool g_disabledDuringRun = false;
std::vector<std::wstring> g_row5Texts;  // what row 5's size cell showed, write by write

// Once row 5 reads "OK", the user unticks 16 and ticks 17. Done here, while this thread serves
// the worker's write, so the worker cannot have read the later rows' boxes yet.
LRESULT CALLBACK ChangeChecksAfterRow5(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallWindowProcW(g_listProc, list, message, wParam, lParam);
  const LVITEMW* item = reinterpret_cast<const LVITEMW*>(lParam);
  if (message == LVM_SETITEMTEXTW && wParam == 5 && item->iSubItem == 1)
    g_row5Texts.push_back(CellText(list, 5, 1));
  if (message == LVM_SETITEMTEXTW && wParam == 5 && item->iSubItem == 1 &&
      CellText(list, 5, 1) == L"OK") {
    g_disabledDuringRun = !IsWindowEnabled(GetDlgItem(GetParent(list), IDC_CLEAN));
    SetChecked(list, 16, false);
    SetChecked(list, 17, true);
  }
  return result;
}

// Rows 5 and 16 are left checked; once row 5 is done, the user unticks 16 and ticks 17.
TEST_F(MainWindow, CleanRunCleansTheRowsCheckedWhenItReachesThem) {
  CSpruceDlg dialog;
  std::vector<std::wstring> sizes;
  bool enabledAfter = false;
  g_disabledDuringRun = false;
  g_row5Texts.clear();
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    HWND button = GetDlgItem(window, IDC_CLEAN);
    ASSERT_TRUE(PumpUntil([&] { return SurveyDone(list); }));
    for (int row = 0; row < kCategoryCount; ++row) SetChecked(list, row, row == 5 || row == 16);
    g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChangeChecksAfterRow5)));
    ClickControl(window, IDC_CLEAN);
    ASSERT_TRUE(PumpUntil([&] { return CellText(list, 17, 1) == L"OK"; }));
    enabledAfter = PumpUntil([&] { return IsWindowEnabled(button) != FALSE; }, 10000);
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    for (int row = 0; row < kCategoryCount; ++row) sizes.push_back(CellText(list, row, 1));
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_TRUE(g_disabledDuringRun);
  EXPECT_TRUE(enabledAfter);
  EXPECT_EQ(g_row5Texts, (std::vector<std::wstring>{L"清理中...", L"OK"}));
  for (int row = 0; row < kCategoryCount; ++row) {
    bool cleaned = row == 5 || row == 17;
    EXPECT_EQ(sizes[row] == L"OK", cleaned) << row;
    EXPECT_EQ(SeedsOfRowExist(row), !cleaned) << row;
  }
  EXPECT_EQ(sizes[16], L"5120 MB");
}

// Rows that a clean run is cleaning or has marked before the survey comes to them.
TEST_F(MainWindow, SurveyLeavesRowsMarkedByTheCleanRunAsTheyAre) {
  const std::pair<int, const wchar_t*> cleaned[] = {{5, L"OK"}, {13, L"清理中..."}, {16, L"失败"}};
  CSpruceDlg dialog;
  std::vector<std::wstring> sizes;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    ASSERT_TRUE(PumpUntil([&] { return SurveyDone(list); }));
    // The list as a survey finds it that starts just after those rows were cleaned.
    for (int row = 0; row < kCategoryCount; ++row)
      ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(L"counting..."));
    for (const auto& mark : cleaned)
      ListView_SetItemText(list, mark.first, 1, const_cast<wchar_t*>(mark.second));
    ASSERT_TRUE(StartCategoryWorker(SurveyThreadProc, list, GetDlgItem(window, IDC_CLEAN)));
    EXPECT_TRUE(PumpUntil([&] { return SurveyDone(list); }));
    for (int row = 0; row < kCategoryCount; ++row) sizes.push_back(CellText(list, row, 1));
    dialog.EndDialog(IDCANCEL);
  });
  std::vector<std::wstring> expected = SurveyedSizes();
  for (const auto& mark : cleaned) expected[mark.first] = mark.second;
  EXPECT_EQ(sizes, expected);
}

int FindRow(HWND list, const std::wstring& label) {
  for (int row = kCategoryCount; row < ListView_GetItemCount(list); ++row)
    if (CellText(list, row, 0) == label) return row;
  return -1;
}

// The applications' rows come after the written ones, as checked as their table says; a row
// whose program runs is passed over with "运行中" and cleaned once the program has ended.
TEST_F(MainWindow, ApplicationRowsWaitForTheirProgramToEnd) {
  const std::wstring song = KnownFolder(CSIDL_APPDATA) + L"\\Tencent\\QQMusic\\QQMusicCache\\s.tmp";
  const std::wstring dump = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\CrashDumps\\app.exe.1.dmp";
  WriteFileOfSize(song, 4096);
  WriteFileOfSize(dump, 2048);
  // QQMusic runs until the test ends it.
  std::wstring program = PlaceCommandProbe(FreshTestFolder(L"running"), L"QQMusic.exe");
  SetProbeWait(program, 600000);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  CloseHandle(process.hThread);

  CSpruceDlg dialog;
  int musicRow = -1, dumpRow = -1;
  bool musicChecked = true, dumpChecked = false;
  std::wstring musicSize, musicWhileRunning, dumpAfter, musicAfter;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    HWND button = GetDlgItem(window, IDC_CLEAN);
    // The size is the last thing the survey writes into an added row.
    ASSERT_TRUE(PumpUntil([&] {
      const int row = FindRow(list, L"程序崩溃转储");
      return row > 0 && !CellText(list, row, 1).empty();
    }));
    musicRow = FindRow(list, L"QQ音乐缓存");
    dumpRow = FindRow(list, L"程序崩溃转储");
    ASSERT_GT(musicRow, 0);
    musicChecked = IsChecked(list, musicRow);
    dumpChecked = IsChecked(list, dumpRow);
    musicSize = CellText(list, musicRow, 1);
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      SetChecked(list, row, row == musicRow || row == dumpRow);
    ClickControl(window, IDC_CLEAN);
    ASSERT_TRUE(PumpUntil([&] { return CellText(list, dumpRow, 1) == L"OK"; }));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(button) != FALSE; }));
    musicWhileRunning = CellText(list, musicRow, 1);
    dumpAfter = CellText(list, dumpRow, 1);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    ClickControl(window, IDC_CLEAN);
    PumpUntil([&] { return CellText(list, musicRow, 1) == L"OK"; });
    musicAfter = CellText(list, musicRow, 1);
    dialog.EndDialog(IDCANCEL);
  });
  CloseHandle(process.hProcess);
  EXPECT_LT(musicRow, dumpRow);  // in the table's order, after row 17
  EXPECT_GE(musicRow, kCategoryCount);
  EXPECT_FALSE(musicChecked);
  EXPECT_TRUE(dumpChecked);
  EXPECT_EQ(musicSize, L"4 KB");
  EXPECT_EQ(musicWhileRunning, L"运行中");
  EXPECT_EQ(dumpAfter, L"OK");
  EXPECT_EQ(musicAfter, L"OK");
  EXPECT_FALSE(PathExists(song));
  EXPECT_FALSE(PathExists(dump));
  RemoveTree(KnownFolder(CSIDL_APPDATA) + L"\\Tencent");
  RemoveTree(KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\CrashDumps");
}

TEST_F(MainWindow, OkRowsAreDrawnBlueOnWhite) {
  CSpruceDlg dialog;
  NMLVCUSTOMDRAW okCell = {}, sizedCell = {};
  LRESULT prepaint = -1, okResult = -1;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    PumpUntil([&] { return SurveyDone(list); });
    ListView_SetItemText(list, 4, 1, const_cast<wchar_t*>(L"ok"));
    for (NMLVCUSTOMDRAW* draw : {&okCell, &sizedCell}) {
      draw->nmcd.hdr = {list, IDC_CATEGORY_LIST, static_cast<UINT>(NM_CUSTOMDRAW)};
      draw->nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
      draw->clrText = draw->clrTextBk = RGB(1, 2, 3);
      draw->iSubItem = 0;  // the row's size decides for both of its cells
    }
    okCell.nmcd.dwItemSpec = 4;
    sizedCell.nmcd.dwItemSpec = 5;
    okResult = SendMessageW(window, WM_NOTIFY, IDC_CATEGORY_LIST, reinterpret_cast<LPARAM>(&okCell));
    SendMessageW(window, WM_NOTIFY, IDC_CATEGORY_LIST, reinterpret_cast<LPARAM>(&sizedCell));
    NMLVCUSTOMDRAW start = sizedCell;
    start.nmcd.dwDrawStage = CDDS_PREPAINT;
    prepaint = SendMessageW(window, WM_NOTIFY, IDC_CATEGORY_LIST, reinterpret_cast<LPARAM>(&start));
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(prepaint, CDRF_NOTIFYITEMDRAW);
  EXPECT_EQ(okResult, CDRF_DODEFAULT);
  EXPECT_EQ(okCell.clrText, RGB(0, 0, 255));
  EXPECT_EQ(okCell.clrTextBk, RGB(255, 255, 255));
  EXPECT_EQ(sizedCell.clrText, RGB(1, 2, 3));
}

TEST(MainWindowMenu, AboutItemEndsTheSystemMenuAndOpensTheAboutBox) {
  CSpruceDlg dialog;
  std::wstring lastItem;
  UINT lastId = 0, separatorType = 0;
  std::vector<UINT> opened;
  std::vector<std::wstring> aboutTexts;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    HMENU menu = GetSystemMenu(window, FALSE);
    int count = GetMenuItemCount(menu);
    wchar_t text[64] = {};
    GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
    lastItem = text;
    lastId = GetMenuItemID(menu, count - 1);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, count - 2, TRUE, &info);
    separatorType = info.fType;
    for (UINT id : {15u, 16u, 17u, 31u, 32u}) {
      AfterModalStarts([&opened, &aboutTexts, id] {
        HWND about = GetActiveWindow();
        wchar_t caption[64] = {};
        GetWindowTextW(about, caption, 64);
        if (std::wstring(caption) == L"关于 Spruce") {
          opened.push_back(id);
          for (HWND child = GetWindow(about, GW_CHILD); child;
               child = GetWindow(child, GW_HWNDNEXT)) {
            GetWindowTextW(child, caption, 64);
            aboutTexts.push_back(caption);
          }
          ClickControl(about, IDOK);
        }
      });
      SendMessageW(window, WM_SYSCOMMAND, id, 0);
      CancelPendingStep();  // the About box did not open for this id
    }
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(lastItem, L"关于 Spruce(&A)...");
  EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(separatorType & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
  EXPECT_EQ(opened, (std::vector<UINT>{16u, 17u, 31u}));
  ASSERT_GE(aboutTexts.size(), 2u);
  EXPECT_EQ(aboutTexts[1], L"Spruce，" + ProjectVersionText(2) + L" 版");
}

TEST(FormatByteCount, UnitsChangeExactlyAtTheirBounds) {
  const std::pair<ByteCount, const wchar_t*> cases[] = {
      {0, L"0 B"},          {1023, L"1023 B"},       {1024, L"1 KB"},
      {2047, L"1 KB"},      {1048576, L"1024 KB"},   {1048577, L"1 MB"},
      {5000000000ull, L"4768 MB"}, {2251799813685247ull, L"2147483647 MB"}};
  for (const auto& testCase : cases) {
    wchar_t text[64];
    wmemset(text, L'#', 64);
    FormatByteCount(testCase.first, text);
    EXPECT_STREQ(text, testCase.second) << testCase.first;
  }
}

}  // namespace
