// The main window at 100, 125, 150 and 200 % display scale: the rules that scale its design,
// and the window itself at each screen DPI and after a move to a monitor of another DPI.
// Wine takes a program's screen DPI from the prefix's LogPixels when the program starts, so
// the window is tested in a run of this program per DPI.
#include "gui_support.h"
#include "test_support.h"

#include "app/dpi.h"
#include "app/image_button.h"
#include "app/spruce_dlg.h"
#include "res/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <stdlib.h>

#include <string>

namespace {

const UINT kScreenDpis[] = {96, 120, 144, 192};
const wchar_t kDpiVariable[] = L"SPRUCE_TEST_SCREEN_DPI";

TEST(DpiRules, WindowDpiColumnsPicturesAndMargins) {
  // GetDpiForWindow's answer where the system has it, else the screen's, else the design's.
  EXPECT_EQ(ChooseWindowDpi(144, 96), 144u);
  EXPECT_EQ(ChooseWindowDpi(0, 120), 120u);
  EXPECT_EQ(ChooseWindowDpi(0, 0), 96u);

  // "99999 MB" is 48 pixels wide in SimSun at 96 dpi, 72 at 144: the design's columns. A wider
  // font widens the size column rather than cut the size, and the name column gives way.
  const int design[] = {220, 60};
  const int cases[][5] = {{48, 96, 220, 60}, {72, 144, 330, 90}, {82, 144, 320, 100}};
  for (const auto& c : cases) {
    const int text[] = {0, c[0]};
    int widths[2] = {};
    ListColumnWidths(design, text, 2, static_cast<UINT>(c[1]), widths);
    EXPECT_EQ(widths[0], c[2]) << c[0] << " at " << c[1];
    EXPECT_EQ(widths[1], c[3]) << c[0] << " at " << c[1];
  }

  // The name column gives way to a scroll bar that would not fit beside the columns.
  int fitted[] = {330, 90};
  FitColumnsBesideScrollBar(fitted, 2, 440, 25);
  EXPECT_EQ(fitted[0], 325);
  FitColumnsBesideScrollBar(fitted, 2, 500, 25);
  EXPECT_EQ(fitted[0], 325);

  // Never a picture larger than the design scaled: 125 % keeps the 100 % one.
  const ScaledPicture picture = {1, 2, 3};
  const UINT choices[][2] = {{120, 1}, {143, 1}, {144, 2}, {191, 2}, {192, 3}, {288, 3}};
  for (const auto& choice : choices)
    EXPECT_EQ(PictureForDpi(picture, choice[0]), choice[1]) << choice[0];

  // The picture button's margins, 6 and 4 pixels at 96 dpi, are 12 and 8 at 192.
  ImageButtonLayout layout = ComputeImageButtonLayout(240, 120, 100, 100, 0x25, 192);
  EXPECT_EQ(layout.rcImage.top, 10);
  EXPECT_EQ(layout.rcText.left, 112);
  EXPECT_EQ(layout.rcFocus.right, 232);
}

// Runs this program's window tests in a program of its own, started at the screen DPI dpi;
// its exit code (0 when they passed; the output says why not).
DWORD RunWindowTestsAt(HKEY desktop, DWORD dpi) {
  RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                 sizeof dpi);
  std::wstring command = L"\"" + BesideTestProgram(L"dpi_test.exe") +
                         L"\" --gtest_filter=MainWindowAtScreenDpi.*";
  SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD code = 1;
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  SetEnvironmentVariableW(kDpiVariable, nullptr);
  return code;
}

TEST(MainWindowScale, IsRightAtEveryScreenDpi) {
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &desktop, nullptr),
            ERROR_SUCCESS);
  DWORD saved = 0, size = sizeof saved;
  const bool hadSetting = RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
  for (UINT dpi : kScreenDpis) EXPECT_EQ(RunWindowTestsAt(desktop, dpi), 0u) << "at " << dpi;
  // The prefix's own setting back, for the programs started after this one.
  if (hadSetting)
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&saved), size);
  else
    RegDeleteValueW(desktop, L"LogPixels");
  RegCloseKey(desktop);
}

// ---- Run at one screen DPI -------------------------------------------------------------------

const int kToolButtons[] = {IDC_BLOCK_AD, IDC_MOVE_FOLDERS, IDC_HOME_PAGE, IDC_CHAT_FILES};
// Each button's picture by scale: 50, 75 and 100 pixels.
const UINT kToolPictures[][3] = {{IDB_BLOCK_AD, IDB_BLOCK_AD_150, IDB_BLOCK_AD_200},
                                 {IDB_MOVE_FOLDERS, IDB_MOVE_FOLDERS_150, IDB_MOVE_FOLDERS_200},
                                 {IDB_HOME_PAGE, IDB_HOME_PAGE_150, IDB_HOME_PAGE_200},
                                 {IDB_CHAT_FILES, IDB_CHAT_FILES_150, IDB_CHAT_FILES_200}};
int PictureScaleAt(UINT dpi) { return dpi >= 192 ? 2 : dpi >= 144 ? 1 : 0; }

// Whether "99999 MB" in every size cell fits the size column, by the list's own measure of
// the width its texts need.
bool LargestSizeFits(HWND list) {
  const int width = ListView_GetColumnWidth(list, 1);
  for (int row = 0; row < ListView_GetItemCount(list); ++row)
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(L"99999 MB"));
  ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE);
  const int needed = ListView_GetColumnWidth(list, 1);
  ListView_SetColumnWidth(list, 1, width);
  return needed <= width;
}

// Whether tool button id draws the bitmap pictureId, pixel for pixel, where it lays out a
// picture of that size at dpi.
bool DrawsPicture(HWND dialog, int id, UINT pictureId, UINT dpi) {
  RECT client;
  GetClientRect(GetDlgItem(dialog, id), &client);
  HDC drawn = CreateCompatibleDC(nullptr), expected = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HBITMAP picture = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(pictureId));
  HGDIOBJ oldCanvas = SelectObject(drawn, canvas), oldPicture = SelectObject(expected, picture);
  DrawButtonInto(dialog, id, drawn);
  BITMAP info = {};
  GetObjectW(picture, sizeof info, &info);
  const RECT at = ComputeImageButtonLayout(client.right, client.bottom, info.bmWidth,
                                           info.bmHeight, 0x25, dpi).rcImage;
  bool same = info.bmWidth > 0;
  for (int y = 0; same && y < info.bmHeight && at.top + y < client.bottom; ++y)
    for (int x = 0; same && x < info.bmWidth && at.left + x < client.right; ++x)
      same = GetPixel(drawn, at.left + x, at.top + y) == GetPixel(expected, x, y);
  SelectObject(drawn, oldCanvas);
  SelectObject(expected, oldPicture);
  DeleteObject(canvas);
  DeleteObject(picture);
  DeleteDC(drawn);
  DeleteDC(expected);
  return same;
}

void ExpectLaidOutFor(HWND window, UINT dpi) {
  // The design's widths, or as much wider a size column as the font needs, taken off the names.
  HWND list = GetDlgItem(window, IDC_CATEGORY_LIST);
  // Beside room for a vertical scroll bar, which the rows after the written ones bring.
  const int name = ListView_GetColumnWidth(list, 0), size = ListView_GetColumnWidth(list, 1);
  RECT client;
  GetClientRect(list, &client);
  if (GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) client.right += VerticalScrollBarWidth(dpi);
  EXPECT_EQ(name + size,
            std::min(ScaleToDpi(280, dpi), static_cast<int>(client.right) -
                                               VerticalScrollBarWidth(dpi)));
  EXPECT_GE(size, ScaleToDpi(60, dpi));
  EXPECT_TRUE(LargestSizeFits(list));
  for (int tool = 0; tool < static_cast<int>(ARRAYSIZE(kToolButtons)); ++tool) {
    const UINT picture = kToolPictures[tool][PictureScaleAt(dpi)];
    EXPECT_TRUE(DrawsPicture(window, kToolButtons[tool], picture, dpi)) << "picture " << picture;
  }
}

// A window's rectangle in the client coordinates of within (null: the screen's).
RECT PlaceOf(HWND window, HWND within = nullptr) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, within, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LONG FontHeight(HWND window) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

TEST(MainWindowAtScreenDpi, ColumnsPicturesAndMoveToAnotherDpi) {
  const wchar_t* setting = _wgetenv(kDpiVariable);
  if (!setting) GTEST_SKIP() << "run by MainWindowScale at each screen DPI";
  const UINT dpi = static_cast<UINT>(_wtoi(setting));
  // Moved on to a monitor of the next DPI, the last one back to the first.
  UINT to = kScreenDpis[0];
  for (size_t k = 0; k + 1 < ARRAYSIZE(kScreenDpis); ++k)
    if (kScreenDpis[k] == dpi) to = kScreenDpis[k + 1];

  CSpruceDlg dialog;
  UINT shownAt = 0;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CATEGORY_LIST);
    HWND clean = GetDlgItem(window, IDC_CLEAN);
    shownAt = GetWindowDpi(window);
    ExpectLaidOutFor(window, dpi);

    RECT suggested = PlaceOf(window);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, to, dpi);
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, to, dpi);
    const RECT cleanBefore = PlaceOf(clean, window);
    const LONG letters = FontHeight(list);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    const RECT windowAfter = PlaceOf(window), cleanAfter = PlaceOf(clean, window);
    const RECT cleanScaled = RescaleRect(cleanBefore, dpi, to);
    EXPECT_TRUE(EqualRect(&windowAfter, &suggested));
    EXPECT_TRUE(EqualRect(&cleanAfter, &cleanScaled));
    for (HWND control : {window, list, clean})
      EXPECT_EQ(FontHeight(control), MulDiv(letters, to, dpi));
    ExpectLaidOutFor(window, to);
    dialog.EndDialog(IDCANCEL);
  });
  // The prefix's setting reached the window: this run tested the DPI it was meant to.
  EXPECT_EQ(shownAt, dpi);
}

}  // namespace
