// The main window's four picture buttons: their pictures, their place in the tab order, and
// what each opens; the web page only ever through the desktop's shell.
#include "gui_support.h"
#include "test_support.h"

#include "app/home_page.h"
#include "app/spruce_dlg.h"
#include "res/resource.h"
#include "res/version.h"

#include <gtest/gtest.h>
#include <wchar.h>

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
    for (int i = 0; i < 6; ++i) {
      tabOrder.push_back(GetDlgCtrlID(control));
      control = GetNextDlgTabItem(window, control, FALSE);
    }
    for (int id : {IDC_BLOCK_AD, IDC_MOVE_FOLDERS, IDC_HOME_PAGE, IDC_CHAT_FILES})
      drawn.push_back(DrawnPictureOrigin(window, id));
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(tabOrder, (std::vector<int>{IDC_CATEGORY_LIST, IDC_CLEAN, IDC_BLOCK_AD,
                                        IDC_HOME_PAGE, IDC_MOVE_FOLDERS, IDC_CHAT_FILES}));
  EXPECT_EQ(drawn, (std::vector<COLORREF>{
                       FirstPixelOf(IDB_BLOCK_AD), FirstPixelOf(IDB_MOVE_FOLDERS),
                       FirstPixelOf(IDB_HOME_PAGE), FirstPixelOf(IDB_CHAT_FILES)}));
}

TEST(ToolButtons, EachToolOpensModallyOverTheMainWindow) {
  CWinApp app;  // the tools are owned by the application's main window
  CSpruceDlg dialog;
  app.m_pMainWnd = &dialog;
  std::vector<std::wstring> opened;
  std::vector<bool> mainDisabled;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    for (int id : {IDC_BLOCK_AD, IDC_MOVE_FOLDERS, IDC_CHAT_FILES}) {
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
  EXPECT_EQ(opened,
            (std::vector<std::wstring>{L"注意 屏蔽视频网站广告", L"转移我的XX", L"清理聊天文件"}));
  EXPECT_EQ(mainDisabled, (std::vector<bool>{true, true, true}));
}

// Whatever the system opens https addresses with is, for these tests, a stand-in browser that
// writes down the address it was given.
class HomePage : public testing::Test {
 protected:
  void SetUp() override {
    m_browser = PlaceCommandProbe(FreshTestFolder(L"browser"), L"browser.exe");
    LONG size = sizeof m_systemBrowser;
    ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, kOpenCommand, m_systemBrowser, &size),
              ERROR_SUCCESS);
    const std::wstring standIn = L"\"" + m_browser + L"\" \"%1\"";
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, kOpenCommand, REG_SZ, standIn.c_str(), 0),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (m_systemBrowser[0])
      RegSetValueW(HKEY_CLASSES_ROOT, kOpenCommand, REG_SZ, m_systemBrowser, 0);
  }
  // What the browser was started with, waiting up to seconds for it.
  std::wstring BrowserRecord(int seconds) {
    std::wstring record;
    for (int tries = 0; tries < seconds * 10 && record.empty(); ++tries, Sleep(100))
      record = ReadProbeRecord(m_browser);
    return record;
  }

  const wchar_t* const kOpenCommand = L"https\\shell\\open\\command";
  const std::wstring m_url = L"" SPRUCE_HOME_PAGE_URL;
  std::wstring m_browser;
  wchar_t m_systemBrowser[MAX_PATH] = {};
};

// Through the desktop's shell, which here is Wine's Explorer.
TEST_F(HomePage, ButtonOpensTheProjectPageInTheBrowser) {
  CWinApp app;
  CSpruceDlg dialog;
  app.m_pMainWnd = &dialog;
  RunModalWith(dialog, [&] {
    ClickControl(dialog.m_hWnd, IDC_HOME_PAGE);
    dialog.EndDialog(IDCANCEL);
  });
  const std::wstring record = BrowserRecord(10);
  EXPECT_NE(record.find(m_url), std::wstring::npos) << "browser started with: " << record;
}

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (wcscmp(name, L"#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The texts of the message box up on this thread, which is then closed.
std::vector<std::wstring> CloseMessageBox() {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialogWindow, reinterpret_cast<LPARAM>(&box));
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    std::wstring text = Caption(child);
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (wcscmp(name, L"Static") == 0 && !text.empty()) texts.push_back(text);
  }
  ClickControl(box, IDOK);
  return texts;
}

std::vector<std::wstring> g_asked;  // the addresses the stand-in shells were asked to open
HRESULT ShellOpens(const wchar_t* url) {
  g_asked.push_back(url);
  return S_OK;
}
HRESULT NoShell(const wchar_t* url) {
  g_asked.push_back(url);
  return REGDB_E_CLASSNOTREG;
}

// Where the shell cannot open it, the user is shown the address: no browser is started from
// the elevated program.
TEST_F(HomePage, AddressIsShownWhenTheShellCannotOpenIt) {
  for (OpenCall open : {ShellOpens, NoShell}) {
    g_asked.clear();
    std::vector<std::wstring> texts;
    AfterModalStarts([&] { texts = CloseMessageBox(); });
    OpenHomePage(nullptr, m_url.c_str(), open);
    CancelPendingStep();
    EXPECT_EQ(g_asked, std::vector<std::wstring>{m_url});
    if (open == ShellOpens) {
      EXPECT_TRUE(texts.empty()) << "a message although the shell opened the page";
    } else {
      ASSERT_EQ(texts.size(), 1u) << "no message, or more than one";
      EXPECT_NE(texts[0].find(m_url), std::wstring::npos);
    }
  }
  EXPECT_EQ(BrowserRecord(2), L"");
}

}  // namespace
