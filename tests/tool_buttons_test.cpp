// The main window's three picture buttons: their pictures, their place in the tab order, and
// what each opens.
#include "gui_support.h"
#include "test_support.h"

#include "app/spruce_dlg.h"
#include "res/resource.h"
#include "res/version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring Caption(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return text;
}

// The top-left pixel of a bitmap resource, as a screen-compatible DC sees it.
COLORREF FirstPixelOf(UINT bitmapId) {
  HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF pixel = GetPixel(dc, 0, 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return pixel;
}

// Draws control id of the dialog into a memory DC, as the dialog's owner draw would, and
// reads the pixel where the button's picture starts.
COLORREF DrawnPictureOrigin(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  RECT client;
  GetClientRect(button, &client);
  HDC screen = GetDC(button);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(dc, canvas);
  DrawButtonInto(dialog, id, dc);
  // With the default layout the picture sits at the left edge, centred when there is room.
  int top = client.bottom > 50 ? (client.bottom - 50) / 2 : 0;
  if (top > 0 && top < 4) top = 4;
  COLORREF pixel = GetPixel(dc, 0, top);
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(button, screen);
  return pixel;
}

TEST(ToolButtons, ShowTheirPicturesAndFollowTheTabOrder) {
  CSpruceDlg dialog;
  std::vector<int> tabOrder;
  std::vector<COLORREF> drawn;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    HWND control = GetDlgItem(window, IDC_CATEGORY_LIST);
    for (int i = 0; i < 5; ++i) {
      tabOrder.push_back(GetDlgCtrlID(control));
      control = GetNextDlgTabItem(window, control, FALSE);
    }
    for (int id : {IDC_BLOCK_AD, IDC_MOVE_FOLDERS, IDC_HOME_PAGE})
      drawn.push_back(DrawnPictureOrigin(window, id));
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(tabOrder, (std::vector<int>{IDC_CATEGORY_LIST, IDC_CLEAN, IDC_BLOCK_AD,
                                        IDC_HOME_PAGE, IDC_MOVE_FOLDERS}));
  EXPECT_EQ(drawn, (std::vector<COLORREF>{FirstPixelOf(IDB_BLOCK_AD),
                                          FirstPixelOf(IDB_MOVE_FOLDERS),
                                          FirstPixelOf(IDB_HOME_PAGE)}));
}

TEST(ToolButtons, EachToolOpensModallyOverTheMainWindow) {
  CWinApp app;  // the tools are owned by the application's main window
  CSpruceDlg dialog;
  app.m_pMainWnd = &dialog;
  std::vector<std::wstring> opened;
  std::vector<bool> mainDisabled;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    for (int id : {IDC_BLOCK_AD, IDC_MOVE_FOLDERS}) {
      AfterModalStarts([&] {
        HWND tool = GetActiveWindow();
        opened.push_back(Caption(tool));
        mainDisabled.push_back(!IsWindowEnabled(window));
        ClickControl(tool, IDCANCEL);  // Esc: the tools change nothing
      });
      ClickControl(window, id);
      CancelPendingStep();
    }
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"注意 屏蔽视频网站广告", L"转移我的XX"}));
  EXPECT_EQ(mainDisabled, (std::vector<bool>{true, true}));
}

// The address goes to whatever the system opens https addresses with: here, for the test, a
// stand-in browser that writes down the address it was given.
TEST(ToolButtons, HomePageOpensTheProjectPageInTheBrowser) {
  const std::wstring folder = FreshTestFolder(L"browser");
  const std::wstring browser = PlaceCommandProbe(folder, L"browser.exe");
  const wchar_t kOpenCommand[] = L"https\\shell\\open\\command";
  wchar_t systemBrowser[MAX_PATH] = {};
  LONG size = sizeof systemBrowser;
  ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, kOpenCommand, systemBrowser, &size), ERROR_SUCCESS);
  const std::wstring standIn = L"\"" + browser + L"\" \"%1\"";
  ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, kOpenCommand, REG_SZ, standIn.c_str(), 0),
            ERROR_SUCCESS);

  CWinApp app;
  CSpruceDlg dialog;
  app.m_pMainWnd = &dialog;
  RunModalWith(dialog, [&] {
    ClickControl(dialog.m_hWnd, IDC_HOME_PAGE);
    dialog.EndDialog(IDCANCEL);
  });
  std::wstring record;
  for (int tries = 0; tries < 100 && record.empty(); ++tries, Sleep(100))
    record = ReadProbeRecord(browser);
  RegSetValueW(HKEY_CLASSES_ROOT, kOpenCommand, REG_SZ, systemBrowser, 0);
  EXPECT_NE(record.find(L"" SPRUCE_HOME_PAGE_URL), std::wstring::npos)
      << "browser started with: " << record;
}

}  // namespace
