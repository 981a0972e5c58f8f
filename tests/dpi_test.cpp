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

#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

const UINT kScreenDpis[] = {96, 120, 144, 192};
const wchar_t kDpiVariable[] = L"SPRUCE_TEST_SCREEN_DPI";

TEST(DpiRules, ScaleTheDesignAndChooseThePictures) {
  EXPECT_EQ(ScaleToDpi(220, 144), 330);
  EXPECT_EQ(ScaleToDpi(60, 144), 90);
  EXPECT_EQ(ScaleToDpi(50, 120), 63);  // 62.5, to the nearest pixel
  const RECT moved = RescaleRect({10, 20, 110, 220}, 96, 144);
  EXPECT_EQ(moved.left, 15);
  EXPECT_EQ(moved.bottom, 330);

  // GetDpiForWindow's answer where the system has it, else the screen's, else the design's.
  EXPECT_EQ(ChooseWindowDpi(144, 96), 144u);
  EXPECT_EQ(ChooseWindowDpi(0, 120), 120u);
  EXPECT_EQ(ChooseWindowDpi(0, 0), 96u);

  // A size column fits "99999 MB" between its margins: 48 pixels in SimSun at 96 dpi fit the
  // design exactly; a wider font widens the column rather than cut the size, at the cost of
  // the name column.
  const int design[] = {220, 60}, text[][2] = {{0, 48}, {0, 72}, {0, 82}, {0, 30}};
  const struct {
    int text;
    UINT dpi;
    int name, size;
  } columns[] = {{0, 96, 220, 60}, {1, 144, 330, 90}, {2, 144, 320, 100}, {3, 192, 440, 120}};
  for (const auto& c : columns) {
    int widths[2] = {};
    ListColumnWidths(design, text[c.text], 2, c.dpi, widths);
    EXPECT_EQ(widths[0], c.name) << c.dpi;
    EXPECT_EQ(widths[1], c.size) << c.dpi;
  }

  // Never a picture larger than the design scaled: 125 % keeps the 100 % one.
  const ScaledPicture picture = {1, 2, 3};
  const std::pair<UINT, UINT> choices[] = {{96, 1},  {120, 1}, {143, 1}, {144, 2},
                                           {168, 2}, {191, 2}, {192, 3}, {288, 3}};
  for (const auto& choice : choices)
    EXPECT_EQ(PictureForDpi(picture, choice.first), choice.second) << choice.first;

  // The picture button's margins grow with the DPI: 6 and 4 pixels at 96 dpi, 12 and 8 at 192.
  ImageButtonLayout layout = ComputeImageButtonLayout(240, 120, 100, 100, 0x25, 192);
  EXPECT_EQ(layout.rcImage.top, 10);
  EXPECT_EQ(layout.rcText.left, 112);
  EXPECT_EQ(layout.rcFocus.left, 108);
  EXPECT_EQ(layout.rcFocus.right, 232);
}

// Sets the prefix's screen DPI for programs started from now on, and puts the previous
// setting back when it goes.
class CScreenDpiSetting {
 public:
  CScreenDpiSetting() {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hKey, nullptr);
    DWORD size = sizeof m_saved;
    m_bSaved = RegQueryValueExW(m_hKey, L"LogPixels", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&m_saved), &size) == ERROR_SUCCESS;
  }
  ~CScreenDpiSetting() {
    if (m_bSaved)
      Set(m_saved);
    else
      RegDeleteValueW(m_hKey, L"LogPixels");
    RegCloseKey(m_hKey);
  }
  CScreenDpiSetting(const CScreenDpiSetting&) = delete;
  CScreenDpiSetting& operator=(const CScreenDpiSetting&) = delete;

  bool Set(DWORD dpi) const {
    return RegSetValueExW(m_hKey, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                          sizeof dpi) == ERROR_SUCCESS;
  }

 private:
  HKEY m_hKey = nullptr;
  DWORD m_saved = 0;
  bool m_bSaved = false;
};

// Runs this program's tests of the window at one screen DPI in a program of its own; its exit
// code (0 when they passed, else 1; the output says why).
DWORD RunWindowTestsAt(UINT dpi) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=MainWindowAtScreenDpi.*";
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
  CScreenDpiSetting setting;
  for (UINT dpi : kScreenDpis) {
    ASSERT_TRUE(setting.Set(dpi));
    EXPECT_EQ(RunWindowTestsAt(dpi), 0u) << "at " << dpi << " dpi";
  }
}

// ---- Run at one screen DPI -------------------------------------------------------------------

const ScaledPicture kToolPictures[] = {
    {IDB_BLOCK_AD, IDB_BLOCK_AD_150, IDB_BLOCK_AD_200},
    {IDB_MOVE_FOLDERS, IDB_MOVE_FOLDERS_150, IDB_MOVE_FOLDERS_200},
    {IDB_HOME_PAGE, IDB_HOME_PAGE_150, IDB_HOME_PAGE_200}};
const int kToolButtons[] = {IDC_BLOCK_AD, IDC_MOVE_FOLDERS, IDC_HOME_PAGE};

// The picture of each size the window should show at dpi.
int PictureSizeAt(UINT dpi) { return dpi >= 192 ? 100 : dpi >= 144 ? 75 : 50; }
UINT PictureIdAt(const ScaledPicture& picture, UINT dpi) {
  int size = PictureSizeAt(dpi);
  return size == 100 ? picture.at200 : size == 75 ? picture.at150 : picture.at100;
}

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

// Whether tool button id draws, pixel for pixel, the picture whose bitmap is pictureId.
bool DrawsPicture(HWND dialog, int id, UINT pictureId, UINT dpi) {
  HWND button = GetDlgItem(dialog, id);
  RECT client;
  GetClientRect(button, &client);
  HDC screen = GetDC(button);
  HDC drawn = CreateCompatibleDC(screen), expected = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HBITMAP picture = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(pictureId));
  HGDIOBJ oldCanvas = SelectObject(drawn, canvas), oldPicture = SelectObject(expected, picture);
  DrawButtonInto(dialog, id, drawn);

  BITMAP info = {};
  GetObjectW(picture, sizeof info, &info);
  const RECT image =
      ComputeImageButtonLayout(client.right, client.bottom, info.bmWidth, info.bmHeight, 0x25, dpi)
          .rcImage;
  bool same = info.bmWidth == PictureSizeAt(dpi);
  for (int y = 0; same && y < info.bmHeight && image.top + y < client.bottom; ++y)
    for (int x = 0; same && x < info.bmWidth && image.left + x < client.right; ++x)
      same = GetPixel(drawn, image.left + x, image.top + y) == GetPixel(expected, x, y);
  SelectObject(drawn, oldCanvas);
  SelectObject(expected, oldPicture);
  DeleteObject(canvas);
  DeleteObject(picture);
  DeleteDC(drawn);
  DeleteDC(expected);
  ReleaseDC(button, screen);
  return same;
}

void ExpectLaidOutFor(HWND window, UINT dpi) {
  // The design's widths, or as much wider a size column as the font needs, taken off the names.
  HWND list = GetDlgItem(window, IDC_CATEGORY_LIST);
  const int name = ListView_GetColumnWidth(list, 0), size = ListView_GetColumnWidth(list, 1);
  EXPECT_EQ(name + size, ScaleToDpi(280, dpi));
  EXPECT_GE(size, ScaleToDpi(60, dpi));
  EXPECT_TRUE(LargestSizeFits(list));
  for (int tool = 0; tool < 3; ++tool) {
    const UINT picture = PictureIdAt(kToolPictures[tool], dpi);
    EXPECT_TRUE(DrawsPicture(window, kToolButtons[tool], picture, dpi)) << "picture " << picture;
  }
}

RECT WindowRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

LONG FontHeight(HWND window) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class MainWindowAtScreenDpi : public testing::Test {
 protected:
  void SetUp() override {
    const wchar_t* dpi = _wgetenv(kDpiVariable);
    if (!dpi) GTEST_SKIP() << "run by MainWindowScale at each screen DPI";
    m_dpi = static_cast<UINT>(_wtoi(dpi));
  }
  UINT m_dpi = 0;
};

TEST_F(MainWindowAtScreenDpi, ColumnsPicturesAndMoveToAnotherDpi) {
  CSpruceDlg dialog;
  UINT shownAt = 0;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    shownAt = GetWindowDpi(window);
    ExpectLaidOutFor(window, m_dpi);

    // Moved to a monitor of the next DPI (the last one back to the first): the window takes
    // the system's rectangle and scales controls, letters, columns and pictures.
    const UINT* next = std::find(std::begin(kScreenDpis), std::end(kScreenDpis), m_dpi) + 1;
    const UINT to = next == std::end(kScreenDpis) ? kScreenDpis[0] : *next;
    RECT suggested = WindowRect(window);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, to, m_dpi);
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, to, m_dpi);
    HWND clean = GetDlgItem(window, IDC_CLEAN);
    RECT cleanBefore = WindowRect(clean);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&cleanBefore), 2);
    const LONG letters = FontHeight(GetDlgItem(window, IDC_CATEGORY_LIST));
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    EXPECT_TRUE(SameRect(WindowRect(window), suggested));
    RECT cleanAfter = WindowRect(clean);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&cleanAfter), 2);
    EXPECT_TRUE(SameRect(cleanAfter, RescaleRect(cleanBefore, m_dpi, to)));
    for (HWND control : {window, GetDlgItem(window, IDC_CATEGORY_LIST), clean})
      EXPECT_EQ(FontHeight(control), MulDiv(letters, to, m_dpi));
    ExpectLaidOutFor(window, to);
    dialog.EndDialog(IDCANCEL);
  });
  // The prefix's setting reached the window: this run tested the DPI it was meant to.
  EXPECT_EQ(shownAt, m_dpi);
}

}  // namespace
