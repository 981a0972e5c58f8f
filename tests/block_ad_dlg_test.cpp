// The ad-blocking dialog on a virtual display: its template as the live window has it, and what
// "好", button 7, Esc and the close box each do to the hosts file, the Flash store and the
// Internet cache, and which closing message the user then sees.
#include "ad_blocking_support.h"
#include "gui_support.h"

#include "tools/ad_blocking.h"
#include "tools/block_ad_dlg.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// One child window of the dialog as it runs; rect in the dialog's client pixels.
struct Control {
  int id;
  std::wstring className;
  std::wstring text;
  LONG style;
  RECT rect;
};

bool operator==(const Control& a, const Control& b) {
  return a.id == b.id && a.className == b.className && a.text == b.text && a.style == b.style &&
         EqualRect(&a.rect, &b.rect);
}

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                   &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr));
  return bytes;
}

std::ostream& operator<<(std::ostream& out, const Control& control) {
  return out << "{id " << control.id << ", " << Utf8(control.className) << ", \""
             << Utf8(control.text) << "\", style 0x" << std::hex << control.style << std::dec
             << ", " << control.rect.left << "," << control.rect.top << " - " << control.rect.right
             << "," << control.rect.bottom << "}";
}

// A rectangle of the template, in dialog units, as pixels of the running dialog. Position and
// size are converted apart, as the dialog manager does, so each is rounded on its own.
RECT DialogRect(HWND dialog, int x, int y, int width, int height) {
  RECT units = {x, y, width, height};
  MapDialogRect(dialog, &units);
  return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

// The dialog's children in their order, which is the template's.
std::vector<Control> ControlsOf(HWND dialog) {
  std::vector<Control> controls;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    LONG style = GetWindowLongW(child, GWL_STYLE);
    // An icon's text is its resource's number; what counts is the icon it shows.
    bool icon = ClassOf(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON;
    Control control = {GetDlgCtrlID(child), ClassOf(child), icon ? L"" : TextOf(child), style, {}};
    GetWindowRect(child, &control.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
    controls.push_back(control);
  }
  return controls;
}

TEST(BlockADTemplate, LiveDialogHasTheTemplatesTextsIdsPositionsAndStyles) {
  CBlockADDlg dialog;
  std::wstring caption;
  LONG style = 0;
  RECT client = {}, expectedClient = {};
  LOGFONTW font = {};
  int pointsInPixels = 0;
  std::vector<Control> controls, expected;
  HWND cancel = nullptr;
  HICON icon = nullptr;
  LRESULT defaultId = 0;
  INT_PTR result = RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    caption = TextOf(window);
    style = GetWindowLongW(window, GWL_STYLE);
    GetClientRect(window, &client);
    expectedClient = DialogRect(window, 0, 0, 243, 82);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    HDC screen = GetDC(nullptr);
    pointsInPixels = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    controls = ControlsOf(window);
    const LONG child = WS_CHILD | WS_VISIBLE;
    expected = {
        {IDOK, L"Button", L"好", child | WS_TABSTOP | BS_DEFPUSHBUTTON,
         DialogRect(window, 30, 52, 50, 14)},
        {IDNO, L"Button", L"不，谢谢，我最喜欢看广告", child | WS_TABSTOP | BS_PUSHBUTTON,
         DialogRect(window, 101, 52, 120, 14)},
        {-1, L"Static", L"注意，启用这项功能将导致无法观看视频网站上的广告。",
         child | WS_GROUP | SS_LEFT, DialogRect(window, 50, 17, 179, 33)},
        {-1, L"Static", L"", child | SS_ICON | SS_CENTERIMAGE, DialogRect(window, 18, 16, 20, 20)},
    };
    cancel = GetDlgItem(window, IDCANCEL);
    HWND last = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST);
    icon = reinterpret_cast<HICON>(SendMessageW(last, STM_GETICON, 0, 0));
    defaultId = SendMessageW(window, DM_GETDEFID, 0, 0);
    dialog.EndDialog(IDCANCEL);
  });

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(caption, L"注意 屏蔽视频网站广告");
  // Clipping siblings and the 3D look are added by the system to every such dialog.
  EXPECT_EQ(style & ~(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK),
            static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
  EXPECT_TRUE(EqualRect(&client, &expectedClient))
      << client.right << "x" << client.bottom << " instead of " << expectedClient.right << "x"
      << expectedClient.bottom;
  EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");
  EXPECT_EQ(font.lfHeight, pointsInPixels);
  EXPECT_EQ(controls, expected);
  EXPECT_EQ(cancel, nullptr) << "IDCANCEL comes only from Esc and the close box";
  EXPECT_NE(icon, nullptr) << "icon 128, the program's only icon, is not shown";
  EXPECT_EQ(defaultId, MAKELRESULT(IDOK, DC_HASDEFID));
}

// A message box the dialog shows, as it was while up. It is closed as soon as it is seen.
struct MessageSeen {
  bool shown = false;
  std::wstring caption;
  std::vector<std::wstring> texts;  // of its static controls that hold text
  std::vector<int> buttons;         // the ids of its visible buttons
  bool ownedByDialog = false;
  bool dialogVisible = false;  // false once the dialog has ended
  std::string hosts;           // the hosts file's bytes at that moment
  bool flashBlocked = false;   // the Flash blocking files were in place
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM found) {
  auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(found);
  if (window == search->first || ClassOf(window) != L"#32770") return TRUE;
  search->second = window;
  return FALSE;
}

// Flash Player's store, the Internet cache and the hosts file (kept by HostsFile), as the
// dialog's handlers find them: two Flash folders, one of them storing objects for a Flash
// host, and a cache with files in it.
class BlockADDialog : public HostsFile {
 protected:
  void SetUp() override {
    HostsFile::SetUp();
    m_macromedia = KnownFolder(CSIDL_APPDATA) + L"\\Macromedia";
    const std::wstring store = m_macromedia + L"\\Flash Player\\#SharedObjects";
    m_flashFolders = {store + L"\\KX3A9Q2B", store + L"\\localhost"};
    m_stored = m_flashFolders[0] + L"\\" + kFlashHosts[0] + L"\\player.sol";
    m_cache = KnownFolder(CSIDL_INTERNET_CACHE);
    RemoveTree(m_macromedia);
    WriteFileOfSize(m_stored, 40);
    MakeFolders(m_flashFolders[1]);
    FillCache();
  }
  void TearDown() override {
    RemoveTree(m_macromedia);
    RemoveTree(m_cache + L"\\Content.IE5");
    HostsFile::TearDown();
  }

  void FillCache() {
    WriteFileOfSize(m_cache + L"\\Content.IE5\\AB12CD34\\preroll[1].flv", 300);
    WriteFileOfSize(m_cache + L"\\Content.IE5\\index.dat", 20, FILE_ATTRIBUTE_HIDDEN);
  }
  bool FlashBlocked() {
    return HoldsBlockingFiles(m_flashFolders[0]) && HoldsBlockingFiles(m_flashFolders[1]);
  }

  // Runs the dialog, lets act do what the user does to close it, and closes the message box
  // the dialog shows then, if any.
  INT_PTR Run(const std::function<void(HWND dialog)>& act, MessageSeen& seen) {
    CBlockADDlg dialog;
    INT_PTR result = RunModalWith(dialog, [&] {
      HWND window = dialog.m_hWnd;
      // Up on screen, as the user sees it: the modal loop shows a dialog only once its queue
      // first runs empty, which a slow start may not have reached yet.
      ShowWindow(window, SW_SHOWNORMAL);
      AfterModalStarts([&, window] {
        std::pair<HWND, HWND> search(window, nullptr);
        EnumThreadWindows(GetCurrentThreadId(), FindOtherDialog, reinterpret_cast<LPARAM>(&search));
        HWND box = search.second;
        if (!box) {  // the dialog is still up: nothing closed it
          EndDialog(window, -1);
          return;
        }
        seen.shown = true;
        seen.caption = TextOf(box);
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          if (ClassOf(child) == L"Static" && !TextOf(child).empty())
            seen.texts.push_back(TextOf(child));
          if (ClassOf(child) == L"Button" && IsWindowVisible(child))
            seen.buttons.push_back(GetDlgCtrlID(child));
        }
        seen.ownedByDialog = GetWindow(box, GW_OWNER) == window;
        seen.dialogVisible = IsWindowVisible(window) != FALSE;
        seen.hosts = ReadBytes(m_hosts);
        seen.flashBlocked = FlashBlocked();
        ClickControl(box, IDOK);
      });
      act(window);
    });
    CancelPendingStep();
    return result;
  }

  std::wstring m_macromedia;
  std::vector<std::wstring> m_flashFolders;
  std::wstring m_stored;
  std::wstring m_cache;
};

TEST_F(BlockADDialog, OkBlocksEndsTheDialogAndThenSaysSo) {
  for (int opening = 1; opening <= 2; ++opening) {
    MessageSeen seen;
    INT_PTR result = Run([](HWND window) { ClickControl(window, IDOK); }, seen);
    EXPECT_EQ(result, IDOK) << opening;
    EXPECT_EQ(ReadBytes(m_hosts), m_blocked) << opening;
    EXPECT_EQ(ReadBytes(m_backup), m_original);
    EXPECT_TRUE(FlashBlocked()) << opening;
    EXPECT_FALSE(PathExists(m_stored));
    EXPECT_TRUE(IsEmptyFolder(m_cache)) << opening;

    ASSERT_TRUE(seen.shown) << opening;
    EXPECT_EQ(seen.caption, L"!");
    EXPECT_EQ(seen.texts, std::vector<std::wstring>{L"好了，可能屏掉几个呢？"});
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(seen.ownedByDialog);
    EXPECT_FALSE(seen.dialogVisible) << "the message came before the dialog ended";
    EXPECT_EQ(seen.hosts, m_blocked) << "the message came before the blocking";
    EXPECT_TRUE(seen.flashBlocked);

    FillCache();
  }
}

TEST_F(BlockADDialog, ButtonSevenUndoesTheBlockingSaysSoAndThenEnds) {
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  for (const wchar_t* host : kFlashHosts) BlockFlashStorage(host);
  ASSERT_TRUE(FlashBlocked());
  MessageSeen seen;
  INT_PTR result = Run([](HWND window) { ClickControl(window, IDNO); }, seen);

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(ReadBytes(m_hosts), m_original);
  EXPECT_FALSE(PathExists(m_backup));
  for (const std::wstring& folder : m_flashFolders) EXPECT_TRUE(IsEmptyFolder(folder));
  EXPECT_TRUE(PathExists(m_cache + L"\\Content.IE5\\AB12CD34\\preroll[1].flv")) << "cache emptied";

  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.caption, L"!");
  EXPECT_EQ(seen.texts, std::vector<std::wstring>{L"有办法不看视频只看广告吗？"});
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(seen.ownedByDialog);
  EXPECT_TRUE(seen.dialogVisible) << "the dialog ended before the message";
  EXPECT_EQ(seen.hosts, m_original) << "the message came before the undo";
  EXPECT_FALSE(seen.flashBlocked);
}

bool Holds(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

// Another program holds the hosts file open, sharing only reading: it cannot be replaced. The
// Flash steps go on as ever.
TEST_F(BlockADDialog, HostsFileHeldOpenIsSaidToHaveFailed) {
  const std::pair<int, std::string> presses[] = {{IDOK, m_original}, {IDNO, m_blocked}};
  for (const auto& press : presses) {
    WriteBytes(m_hosts, press.second);
    MessageSeen seen;
    {
      CHeldFile reader(m_hosts, GENERIC_READ, FILE_SHARE_READ);
      ASSERT_TRUE(reader.IsOpen());
      Run([&](HWND window) { ClickControl(window, press.first); }, seen);
    }
    EXPECT_EQ(ReadBytes(m_hosts), press.second) << press.first;
    EXPECT_EQ(FlashBlocked(), press.first == IDOK);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, L"!");
    ASSERT_EQ(seen.texts.size(), 1u);
    EXPECT_TRUE(Holds(seen.texts[0], L"失败")) << Utf8(seen.texts[0]);
    EXPECT_TRUE(Holds(seen.texts[0], L"hosts 文件没有改动")) << Utf8(seen.texts[0]);
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  }
}

TEST_F(BlockADDialog, SaysWhenAUtf16HostsFileIsLeftAloneOrTheBackupKept) {
  const wchar_t kUtf16[] = L"\xfeff::1 a";  // with its byte order mark
  const std::string utf16(reinterpret_cast<const char*>(kUtf16), sizeof kUtf16 - sizeof(wchar_t));
  WriteBytes(m_hosts, utf16);
  MessageSeen seen;
  Run([](HWND window) { ClickControl(window, IDOK); }, seen);
  EXPECT_EQ(ReadBytes(m_hosts), utf16);
  ASSERT_EQ(seen.texts.size(), 1u);
  EXPECT_TRUE(Holds(seen.texts[0], L"UTF-16")) << Utf8(seen.texts[0]);
  EXPECT_TRUE(Holds(seen.texts[0], L"hosts 文件没有改动")) << Utf8(seen.texts[0]);

  // Reset by another program while blocking was on: the user's own lines are only in the backup.
  WriteBytes(m_hosts, m_original);
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  WriteBytes(m_hosts, "127.0.0.1 localhost\r\n");
  MessageSeen kept;
  Run([](HWND window) { ClickControl(window, IDNO); }, kept);
  EXPECT_EQ(ReadBytes(m_backup), m_original);
  ASSERT_EQ(kept.texts.size(), 1u);
  EXPECT_EQ(kept.texts[0].find(L"有办法不看视频只看广告吗？"), 0u) << Utf8(kept.texts[0]);
  EXPECT_TRUE(Holds(kept.texts[0], m_backup)) << Utf8(kept.texts[0]);
}

// Every path in a tree with its size; folders end in a backslash.
void ListTree(const std::wstring& folder, const std::wstring& prefix,
              std::vector<std::wstring>& listing) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      listing.push_back(prefix + name + L"\\");
      ListTree(folder + L"\\" + name, prefix + name + L"\\", listing);
    } else {
      listing.push_back(prefix + name + L" " + std::to_wstring(entry.nFileSizeLow));
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

TEST_F(BlockADDialog, EscAndTheCloseBoxChangeNothing) {
  // Blocking on, with a Flash folder made since: enabling would change the Flash store and the
  // cache, disabling the hosts file and the Flash store.
  ASSERT_EQ(AppendHostsBlock(), kHostsDone);
  for (const wchar_t* host : kFlashHosts) BlockFlashStorage(host);
  MakeFolders(m_macromedia + L"\\Flash Player\\#SharedObjects\\NEWFOLDR");
  ASSERT_TRUE(FlashBlocked());
  ASSERT_TRUE(PathExists(m_cache + L"\\Content.IE5\\AB12CD34\\preroll[1].flv"));
  std::vector<std::wstring> before;
  ListTree(m_macromedia, L"", before);
  ListTree(m_cache, L"cache\\", before);

  const std::pair<const char*, std::function<void(HWND)>> closings[] = {
      {"Esc", [](HWND window) {
         // Through the modal loop, which turns the key into IDCANCEL.
         HWND focus = GetFocus();
         PostMessageW(focus ? focus : window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
       }},
      {"close box", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& closing : closings) {
    MessageSeen seen;
    EXPECT_EQ(Run(closing.second, seen), IDCANCEL) << closing.first;
    EXPECT_FALSE(seen.shown) << closing.first;
    EXPECT_EQ(ReadBytes(m_hosts), m_blocked) << closing.first;
    EXPECT_EQ(ReadBytes(m_backup), m_original) << closing.first;
    std::vector<std::wstring> after;
    ListTree(m_macromedia, L"", after);
    ListTree(m_cache, L"cache\\", after);
    EXPECT_EQ(after, before) << closing.first;
  }
}

}  // namespace
