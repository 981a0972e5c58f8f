// The folder-moving tool on a virtual display, moving the prefix's real user folders with the
// shell into folders on drive D: (a folder of the prefix), as the user of a shell window that
// the test makes. Every test puts the user folders back, as plain folders, for the tests that
// follow.
#include "gui_support.h"
#include "test_support.h"

#include "engine/walk/item_handles.h"
#include "engine/places/user_rights.h"
#include "res/resource.h"
#include "tools/move_checks.h"
#include "tools/move_directory_dlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct UserFolder {
  int csidl;
  const wchar_t* name;
};

const UserFolder kFolders[] = {
    {CSIDL_MYPICTURES, L"Pictures"}, {CSIDL_DESKTOPDIRECTORY, L"Desktop"},
    {CSIDL_PERSONAL, L"Documents"},  {CSIDL_MYMUSIC, L"Music"},
    {CSIDL_MYVIDEO, L"Videos"},
};
const int kFolderCount = 5;
const wchar_t* const kShellFolderValues[kFolderCount] = {L"My Pictures", L"Desktop", L"Personal",
                                                         L"My Music", L"My Video"};
const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kOneDriveAccount[] = L"Software\\Microsoft\\OneDrive\\Accounts\\Business1";

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

ByteCount FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ByteCount>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

BOOL CALLBACK TakeBrowseWindow(HWND window, LPARAM found) {
  if (!FindWindowExW(window, nullptr, L"SysTreeView32", nullptr)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The shell's browse window, once its dialog is on this thread (it shows when its loop is idle).
HWND FindBrowseWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeBrowseWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The name of the item selected in the browse dialog's folder tree.
std::wstring SelectedName(HWND browse) {
  HWND tree = FindWindowExW(browse, nullptr, L"SysTreeView32", nullptr);
  wchar_t text[MAX_PATH] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetSelection(tree);
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  if (!item.hItem || !TreeView_GetItem(tree, &item)) return L"";
  return text;
}

// What a user does in the shell's browse dialog: select folder and press OK, or press Cancel.
void AnswerBrowseDialog(const std::wstring& folder, int button, int triesLeft = 200) {
  AfterModalStarts([folder, button, triesLeft] {
    HWND browse = FindBrowseWindow();
    if (browse)
      SendMessageW(browse, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    // A loop can run before the dialog is made, and Wine now and then misses a folder made a
    // moment before: then try again from the next loop, as a user would select again.
    bool selected = browse && SelectedName(browse) == folder.substr(folder.rfind(L'\\') + 1);
    if ((!browse || (!selected && button == IDOK)) && triesLeft > 0) {
      AnswerBrowseDialog(folder, button, triesLeft - 1);
      return;
    }
    ASSERT_NE(browse, nullptr) << "the shell's browse dialog did not open";
    EXPECT_TRUE(selected || button != IDOK) << "the shell did not select the folder";
    ClickControl(browse, button);
  });
}

BOOL CALLBACK TakeToolMessage(HWND window, LPARAM search) {
  auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(search);
  if (GetWindow(window, GW_OWNER) != found->first || WindowText(window) != L"转移我的XX")
    return TRUE;
  found->second = window;
  return FALSE;
}

// Closes the next message box the tool shows, once it is up, and keeps its text. The shell's
// moves may run message loops of their own before it.
void AnswerToolMessage(HWND dialog, std::wstring* text, int triesLeft = 6000) {
  AfterModalStarts([=] {
    std::pair<HWND, HWND> search(dialog, nullptr);
    EnumThreadWindows(GetCurrentThreadId(), &TakeToolMessage, reinterpret_cast<LPARAM>(&search));
    if (!search.second) {
      if (triesLeft > 0) AnswerToolMessage(dialog, text, triesLeft - 1);
      return;
    }
    wchar_t shown[4096] = {};
    GetDlgItemTextW(search.second, 0xFFFF, shown, 4096);  // a message box's text
    *text = shown;
    ClickControl(search.second, IDOK);
  });
}

// Reports the folders that arrive in a folder, in the order the file system saw them arrive.
class CArrivalWatcher {
 public:
  explicit CArrivalWatcher(const std::wstring& folder)
      : m_handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                             nullptr)) {
    m_overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Read();  // from this first read on, the system keeps the changes for the next ones
  }
  ~CArrivalWatcher() {
    CancelIo(m_handle);
    CloseHandle(m_handle);
    CloseHandle(m_overlapped.hEvent);
  }

  // Everything that arrived so far: the changes kept come back at once, one read after another.
  std::vector<std::wstring> Arrivals() {
    std::vector<std::wstring> names;
    DWORD length = 0;
    while (WaitForSingleObject(m_overlapped.hEvent, 500) == WAIT_OBJECT_0 &&
           GetOverlappedResult(m_handle, &m_overlapped, &length, FALSE) && length) {
      for (BYTE* at = m_buffer;;) {
        const FILE_NOTIFY_INFORMATION* change = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(at);
        if (change->Action == FILE_ACTION_ADDED || change->Action == FILE_ACTION_RENAMED_NEW_NAME)
          names.emplace_back(change->FileName, change->FileNameLength / sizeof(wchar_t));
        if (!change->NextEntryOffset) break;
        at += change->NextEntryOffset;
      }
      Read();
    }
    return names;
  }

 private:
  void Read() {
    ResetEvent(m_overlapped.hEvent);
    ReadDirectoryChangesW(m_handle, m_buffer, sizeof m_buffer, FALSE, FILE_NOTIFY_CHANGE_DIR_NAME,
                          nullptr, &m_overlapped, nullptr);
  }

  HANDLE m_handle;
  OVERLAPPED m_overlapped = {};
  alignas(DWORD) BYTE m_buffer[16384];
};

class MoveDirectory : public testing::Test {
 protected:
  void SetUp() override {
    m_shellWindow.emplace();
    for (int i = 0; i < kFolderCount; ++i) {
      wchar_t path[MAX_PATH] = {};
      ASSERT_GE(SHGetFolderPathW(nullptr, kFolders[i].csidl, nullptr, 0, path), 0);
      m_homes[i] = m_sources[i] = path;
      // Each folder's note has a size of its own, so a folder moved under another's name shows.
      WriteFileOfSize(Note(m_sources[i]), 100 + i);
      WriteFileOfSize(m_sources[i] + L"\\spruce-move-sub\\inner.dat", 7);
    }
    RemoveTree(m_destination);
    MakeFolders(m_destination);
  }

  void TearDown() override {
    CancelPendingStep();
    HKEY key;
    RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, &key);
    for (int i = 0; i < kFolderCount; ++i) {
      if (m_savedValues[i].empty()) continue;
      RegSetValueExW(key, kShellFolderValues[i], 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(m_savedValues[i].c_str()),
                     static_cast<DWORD>((m_savedValues[i].size() + 1) * sizeof(wchar_t)));
      MoveFileW(m_sources[i].c_str(), m_homes[i].c_str());
    }
    // Wine's known-folder manager keeps a recorded place under the folder's id, where its own
    // lookups do not read it.
    for (const KNOWNFOLDERID* id : {&FOLDERID_Pictures, &FOLDERID_Desktop, &FOLDERID_Documents,
                                    &FOLDERID_Music, &FOLDERID_Videos}) {
      wchar_t name[64] = {};
      StringFromGUID2(*id, name, 64);
      RegDeleteValueW(key, name);
    }
    RegCloseKey(key);
    g_pfnBeforeShellMove = nullptr;
    g_pfnBeforeOpenListed = nullptr;
    RegDeleteKeyW(HKEY_CURRENT_USER, kOneDriveAccount);
    SetEnvironmentVariableW(L"OneDriveCommercial", nullptr);
    if (!m_documentsAside.empty()) MoveFileW(m_documentsAside.c_str(), m_homes[2].c_str());
    for (int i = 0; i < kFolderCount; ++i) {
      MakeFolders(m_homes[i]);
      RemoveTree(Note(m_homes[i]));
      RemoveTree(m_homes[i] + L"\\spruce-move-sub");
      RemoveTree(m_homes[i] + L"\\spruce-move-huge.bin");
      RemoveTree(std::wstring(L"D:\\") + kFolders[i].name);
    }
    RemoveTree(m_destination);
    RemoveTree(OneDriveBase());
  }

  // Where the OneDrive tests put OneDrive folders: in the profile, as OneDrive does.
  static std::wstring OneDriveBase() { return KnownFolder(CSIDL_PROFILE) + L"\\spruce-onedrive"; }

  static std::wstring Note(const std::wstring& folder) {
    return folder + L"\\spruce-move-note.txt";
  }

  // Whether folder holds what SetUp put into user folder i.
  static bool HoldsContentOf(const std::wstring& folder, int i) {
    return FileSize(Note(folder)) == static_cast<ByteCount>(100 + i) &&
           PathExists(folder + L"\\spruce-move-sub\\inner.dat");
  }

  bool StaysInPlace(int i) const { return HoldsContentOf(m_sources[i], i); }

  bool MovedTo(const std::wstring& destination, int i) const {
    return HoldsContentOf(destination + L"\\" + kFolders[i].name, i) && !PathExists(m_sources[i]);
  }

  bool NothingMoved() const {
    for (int i = 0; i < kFolderCount; ++i)
      if (!StaysInPlace(i)) return false;
    return NamesIn(m_destination).empty();
  }

  // The shell then finds user folder i at folder, as after an earlier move by the user.
  void RelocateFolder(int i, const std::wstring& folder) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            &key), ERROR_SUCCESS);
    wchar_t saved[MAX_PATH] = {};
    DWORD size = sizeof saved;
    ASSERT_EQ(RegQueryValueExW(key, kShellFolderValues[i], nullptr, nullptr,
                               reinterpret_cast<BYTE*>(saved), &size), ERROR_SUCCESS);
    m_savedValues[i] = saved;
    RegSetValueExW(key, kShellFolderValues[i], 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    MakeFolders(folder.substr(0, folder.rfind(L'\\')));
    ASSERT_TRUE(MoveFileW(m_sources[i].c_str(), folder.c_str()));
    m_sources[i] = folder;
  }

  // Opens the tool, types text into the destination edit, presses "好" and answers the
  // message the tool shows (kept in m_message); a dialog still open after it is cancelled.
  INT_PTR TypeAndMove(const std::wstring& text) {
    CMoveDirectoryDlg dialog;
    m_message.clear();
    return RunModalWith(dialog, [&] {
      HWND window = dialog.m_hWnd;
      ShowWindow(window, SW_SHOWNORMAL);
      SetDlgItemTextW(window, IDC_DESTINATION, text.c_str());
      AnswerToolMessage(window, &m_message);
      ClickControl(window, IDOK);
      CancelPendingStep();
      if (IsWindowVisible(window)) dialog.EndDialog(IDCANCEL);
    });
  }

  // The tool's closing message for folders that Windows no longer finds where they were.
  std::wstring MovedLine(int i, const std::wstring& destination) const {
    const wchar_t* const labels[] = {L"我的图片", L"我的桌面", L"我的文档", L"我的音乐",
                                     L"我的视频"};
    return std::wstring(labels[i]) + L"：已移到 " + destination + L"\\" + kFolders[i].name +
           L"，但Windows没有记下新位置\n";
  }

  // destination is 230 units up to its last separator: with Desktop (7) and the longest name in
  // the folders, spruce-move-note.txt (20), a path of 259 units fits exactly beside its
  // terminator; Pictures (8) and Documents (9) do not.
  void ExpectOnlyFittingFoldersMove(const std::wstring& destination) {
    MakeFolders(destination);
    std::wstring folder = destination.substr(0, 230);
    EXPECT_EQ(TypeAndMove(destination), IDOK);
    EXPECT_TRUE(StaysInPlace(0));
    EXPECT_TRUE(MovedTo(folder, 1));
    EXPECT_TRUE(StaysInPlace(2));
    EXPECT_TRUE(MovedTo(folder, 3));
    EXPECT_TRUE(MovedTo(folder, 4));
    EXPECT_EQ(NamesIn(folder), (std::vector<std::wstring>{L"Desktop", L"Music", L"Videos"}));
  }

  std::optional<CTestShellWindow> m_shellWindow;
  std::wstring m_homes[kFolderCount];    // where the prefix keeps the user folders
  std::wstring m_sources[kFolderCount];  // where the shell finds them in this test
  const std::wstring m_destination = L"D:\\moved";
  std::wstring m_savedValues[kFolderCount];  // shell folder values a test changed
  std::wstring m_documentsAside;
  std::wstring m_message;
};

TEST(MoveDirectoryTemplate, TextsPositionsAndStyles) {
  HRSRC resource = FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(IDD_MOVE_DIRECTORY),
                                   MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  EXPECT_NE(resource, nullptr);

  struct Item {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    RECT rect;  // x, y, width, height in dialog units
    DWORD style;
  };
  const Item items[] = {
      {IDOK, L"Button", L"好", {17, 145, 50, 14}, BS_DEFPUSHBUTTON | WS_TABSTOP},
      {IDCANCEL, L"Button", L"算了", {125, 146, 50, 14}, BS_PUSHBUTTON | WS_TABSTOP},
      {IDC_BROWSE, L"Button", L"...", {154, 123, 22, 14}, BS_PUSHBUTTON | WS_TABSTOP},
      {IDC_DESTINATION, L"Edit", L"", {17, 123, 134, 14}, WS_TABSTOP | ES_AUTOHSCROLL},
      {IDC_MOVE_TEXT, L"Static",
       L"我的文档\r我的音乐\r我的桌面 等等\r\r转移到别的地方吗？\r\r这样可以节省C盘空间\r"
       L"转移前最好先关掉打开的其它程序",
       {17, 14, 164, 76}, SS_LEFT | WS_GROUP},
      {-1, L"Static", L"转移到:", {18, 108, 44, 12}, SS_LEFT | WS_GROUP},
  };
  CMoveDirectoryDlg dialog;
  RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd;
    EXPECT_EQ(WindowText(window), L"转移我的XX");
    DWORD style = GetWindowLongW(window, GWL_STYLE);
    DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(style & frame, frame);
    RECT client = {0, 0, 216, 176};
    MapDialogRect(window, &client);
    RECT actual;
    GetClientRect(window, &actual);
    EXPECT_EQ(actual.right, client.right);
    EXPECT_EQ(actual.bottom, client.bottom);
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    int index = 0;
    for (HWND control = GetWindow(window, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
      ASSERT_LT(index, 6);
      const Item& item = items[index];
      EXPECT_EQ(GetDlgCtrlID(control), item.id) << index;
      wchar_t className[32] = {};
      GetClassNameW(control, className, 32);
      EXPECT_EQ(lstrcmpiW(className, item.className), 0) << index;
      EXPECT_EQ(WindowText(control), item.text) << index;
      DWORD controlStyle = GetWindowLongW(control, GWL_STYLE);
      EXPECT_EQ(controlStyle & item.style, item.style) << index;
      EXPECT_EQ(controlStyle & BS_TYPEMASK & ~item.style, 0u) << index;  // no other kind
      RECT expected = item.rect, placed;
      MapDialogRect(window, &expected);
      GetWindowRect(control, &placed);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
      EXPECT_EQ(placed.left, expected.left) << index;
      EXPECT_EQ(placed.top, expected.top) << index;
      EXPECT_EQ(placed.right - placed.left, expected.right) << index;
      EXPECT_EQ(placed.bottom - placed.top, expected.bottom) << index;
    }
    EXPECT_EQ(index, 6);
    HWND edit = GetDlgItem(window, IDC_DESTINATION);
    EXPECT_EQ(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY, 0);
    // The dialog manager draws an edit's border as a sunken client edge.
    EXPECT_TRUE((GetWindowLongW(edit, GWL_STYLE) & WS_BORDER) ||
                (GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    dialog.EndDialog(IDCANCEL);
  });
}

TEST_F(MoveDirectory, BrowsedDestinationReceivesTheFiveFoldersInOrder) {
  CMoveDirectoryDlg dialog;
  std::wstring shown;
  std::vector<std::wstring> arrivals;
  INT_PTR result = RunModalWith(dialog, [&] {
    AnswerBrowseDialog(m_destination, IDOK);
    ClickControl(dialog.m_hWnd, IDC_BROWSE);
    shown = WindowText(GetDlgItem(dialog.m_hWnd, IDC_DESTINATION));
    CArrivalWatcher watcher(m_destination);
    AnswerToolMessage(dialog.m_hWnd, &m_message);
    ClickControl(dialog.m_hWnd, IDOK);
    arrivals = watcher.Arrivals();
  });

  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, m_destination);
  std::wstring lines;
  for (int i = 0; i < kFolderCount; ++i) {
    EXPECT_TRUE(MovedTo(m_destination, i)) << i;
    // Wine's shell, unlike Windows', does not record a user folder's new place when it moves.
    lines += MovedLine(i, m_destination);
  }
  EXPECT_EQ(m_message, lines);
  const std::vector<std::wstring> order = {L"Pictures", L"Desktop", L"Documents", L"Music",
                                           L"Videos"};
  EXPECT_EQ(arrivals, order);
}

TEST_F(MoveDirectory, OkWithoutUsableDestinationMovesNothing) {
  // Anything but a full path would name a place relative to whatever folder is current.
  const wchar_t* texts[] = {L"",        L"moved",      L"D:moved",   L"\\moved", L"..\\moved",
                            L"\\\\",    L" D:\\moved", L"转移到D盘", L"::\\x"};
  for (const wchar_t* text : texts) {
    EXPECT_EQ(TypeAndMove(text), IDOK) << text;
    EXPECT_TRUE(NothingMoved()) << text;
    EXPECT_EQ(m_message, L"") << text;
  }
}

TEST_F(MoveDirectory, CancelledBrowseClearsTheDestination) {
  CMoveDirectoryDlg dialog;
  std::wstring shown = L"unread";
  INT_PTR result = RunModalWith(dialog, [&] {
    SetDlgItemTextW(dialog.m_hWnd, IDC_DESTINATION, m_destination.c_str());
    AnswerBrowseDialog(m_destination, IDCANCEL);
    ClickControl(dialog.m_hWnd, IDC_BROWSE);
    shown = WindowText(GetDlgItem(dialog.m_hWnd, IDC_DESTINATION));
    ClickControl(dialog.m_hWnd, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, L"");
  EXPECT_TRUE(NothingMoved());
}

TEST_F(MoveDirectory, CancelEscapeAndCloseBoxMoveNothing) {
  const char* ways[] = {"算了", "Esc", "close box"};
  for (int way = 0; way < 3; ++way) {
    CMoveDirectoryDlg dialog;
    INT_PTR result = RunModalWith(dialog, [&] {
      HWND window = dialog.m_hWnd, edit = GetDlgItem(window, IDC_DESTINATION);
      SetWindowTextW(edit, m_destination.c_str());
      if (way == 0) {
        ClickControl(window, IDCANCEL);
      } else if (way == 1) {
        // Keys go through the dialog's own loop, as typed.
        SetFocus(edit);
        PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
      } else {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
    });
    EXPECT_EQ(result, IDCANCEL) << ways[way];
    EXPECT_TRUE(NothingMoved()) << ways[way];
  }
}

TEST_F(MoveDirectory, FolderAlreadyAtItsDestinationStaysAndTheOthersMove) {
  RelocateFolder(1, m_destination + L"\\Desktop");
  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(HoldsContentOf(m_destination + L"\\Desktop", 1));
  EXPECT_FALSE(PathExists(m_destination + L"\\Desktop\\Desktop"));
  for (int i : {0, 2, 3, 4}) EXPECT_TRUE(MovedTo(m_destination, i)) << i;
  EXPECT_EQ(m_message, MovedLine(0, m_destination) + L"我的桌面：本来就在 " + m_destination +
                           L"\\Desktop\n" + MovedLine(2, m_destination) +
                           MovedLine(3, m_destination) + MovedLine(4, m_destination));
}

// Written in other letters, the folder's path still names its destination: it stays, rather
// than be moved into itself.
TEST_F(MoveDirectory, FolderAtItsDestinationInOtherLetterCaseStays) {
  RelocateFolder(1, L"D:\\MOVED\\Desktop");
  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(HoldsContentOf(m_destination + L"\\Desktop", 1));
  EXPECT_EQ(NamesIn(m_destination + L"\\Desktop"),
            (std::vector<std::wstring>{L"spruce-move-note.txt", L"spruce-move-sub"}));
  EXPECT_NE(m_message.find(L"\n我的桌面：本来就在 D:\\MOVED\\Desktop\n"), std::wstring::npos)
      << m_message.c_str();
}

// Taken out of OneDrive, a folder's files would be deleted from the cloud and the user's other
// devices; the folders OneDrive backs up stay, whether the registry or the environment names
// their OneDrive folder.
TEST_F(MoveDirectory, FoldersInOneDriveStayAndTheOthersMove) {
  const std::wstring business = OneDriveBase() + L"\\OneDrive - Contoso";
  const std::wstring personal = OneDriveBase() + L"\\OneDrive";
  HKEY account;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOneDriveAccount, 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &account, nullptr), ERROR_SUCCESS);
  RegSetValueExW(account, L"UserFolder", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(business.c_str()),
                 static_cast<DWORD>((business.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(account);
  SetEnvironmentVariableW(L"OneDriveCommercial", (personal + L"\\").c_str());
  RelocateFolder(2, business + L"\\Documents");
  std::wstring otherCase = personal + L"\\Desktop";
  CharUpperW(&otherCase[0]);
  RelocateFolder(1, otherCase);
  // A folder beside a OneDrive folder whose name only begins the same is not in it.
  RelocateFolder(3, personal + L" Music");

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(StaysInPlace(1));
  EXPECT_TRUE(StaysInPlace(2));
  for (int i : {0, 3, 4}) EXPECT_TRUE(MovedTo(m_destination, i)) << i;
  EXPECT_EQ(NamesIn(m_destination), (std::vector<std::wstring>{L"Music", L"Pictures", L"Videos"}));
  EXPECT_EQ(m_message,
            MovedLine(0, m_destination) + L"我的桌面：在OneDrive中，没有转移，仍在 " +
                m_sources[1] + L"\n我的文档：在OneDrive中，没有转移，仍在 " + m_sources[2] +
                L"\n" + MovedLine(3, m_destination) + MovedLine(4, m_destination) +
                L"\nOneDrive正在备份的文件夹没有转移：把它移出OneDrive，OneDrive会删掉云端和"
                L"其它设备上的副本。要转移它，请先在OneDrive的设置中关闭这个文件夹的备份。\n");
}

TEST_F(MoveDirectory, DestinationWithoutRoomMovesNothingAndStaysOpen) {
  ULARGE_INTEGER available = {};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"D:\\", &available, nullptr, nullptr));
  // Sparse: a size the drive cannot hold, taking no room itself.
  const ByteCount huge = available.QuadPart + (1ull << 40);
  WriteSparseFile(m_sources[2] + L"\\spruce-move-huge.bin", huge);

  EXPECT_EQ(TypeAndMove(m_destination), IDCANCEL);
  EXPECT_TRUE(NothingMoved());
  EXPECT_EQ(m_message.rfind(L"“D:\\moved”所在的磁盘只剩 ", 0), 0u) << m_message.c_str();
  EXPECT_NE(m_message.find(L"，放不下要转移的文件夹（共 "), std::wstring::npos) << m_message.c_str();
  EXPECT_NE(m_message.find(L"没有转移任何文件夹。"), std::wstring::npos);
}

// The user's settings can name any folder as a user folder: one elsewhere on the Windows drive
// may be another program's, and stays. A destination item that is a link would take the files
// to wherever it points.
TEST_F(MoveDirectory, FoldersOutsideTheProfileOnTheWindowsDriveAndLinkedDestinationsStay) {
  const std::wstring vendor = L"C:\\spruce-tests\\vendor";
  RemoveTree(vendor);
  RelocateFolder(0, vendor + L"\\Pictures");
  const std::wstring elsewhere = FreshTestFolder(L"move-elsewhere");
  MakeFolderLink(m_destination + L"\\Documents", elsewhere);

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(StaysInPlace(0));
  EXPECT_TRUE(StaysInPlace(2));
  for (int i : {1, 3, 4}) EXPECT_TRUE(MovedTo(m_destination, i)) << i;
  EXPECT_TRUE(NamesIn(elsewhere).empty());
  EXPECT_NE(m_message.find(L"我的图片：没有转移，仍在 " + m_sources[0] +
                           L"。它既不在用户的个人文件夹中，也不在系统盘以外的磁盘上"),
            std::wstring::npos)
      << m_message.c_str();
  EXPECT_NE(m_message.find(L"我的文档：没有转移，仍在 " + m_sources[2] + L"。目标“" +
                           m_destination + L"\\Documents”是一个链接"),
            std::wstring::npos)
      << m_message.c_str();
  RemoveTree(m_destination + L"\\Documents");
  RemoveTree(vendor);
  RemoveTree(elsewhere);
}

TEST(MoveChecks, AFolderMovesOnlyFromTheProfileOrAnotherDrive) {
  MoveLimits limits = {};
  wcscpy(limits.profile, L"C:\\Users\\me");
  limits.windowsDrive = L'C';
  const DWORD none = INVALID_FILE_ATTRIBUTES;
  const wchar_t* to = L"E:\\moved\\Pictures";
  EXPECT_EQ(WhyFolderStays(L"c:\\users\\ME\\Pictures", to, none, limits), kFolderMoves);
  EXPECT_EQ(WhyFolderStays(L"D:\\Photos", to, none, limits), kFolderMoves);
  EXPECT_EQ(WhyFolderStays(L"d:\\Photos", to, FILE_ATTRIBUTE_DIRECTORY, limits), kFolderMoves);
  EXPECT_EQ(WhyFolderStays(L"C:\\Program Files\\Vendor", to, none, limits),
            kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"c:\\Users\\me2\\Pictures", to, none, limits),
            kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"C:\\Users\\me\\..\\you\\Pictures", to, none, limits),
            kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"D:\\", to, none, limits), kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"\\\\server\\share\\Pictures", to, none, limits),
            kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"D:\\Photos", to,
                           FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, limits),
            kDestinationIsLink);
  EXPECT_EQ(WhyFolderStays(to, to, FILE_ATTRIBUTE_DIRECTORY, limits), kFolderAlreadyThere);
  limits.windowsDrive = L'\0';  // where Windows is cannot be told: only the profile counts
  EXPECT_EQ(WhyFolderStays(L"D:\\Photos", to, none, limits), kFolderOutsideUserPlaces);
  EXPECT_EQ(WhyFolderStays(L"C:\\Users\\me\\Pictures", to, none, limits), kFolderMoves);
}

TEST(MoveChecks, PathInsideAFolderWhateverItsCaseAndSeparators) {
  const wchar_t kFolder[] = L"C:\\Users\\me\\OneDrive";
  EXPECT_TRUE(IsPathInside(L"C:\\Users\\me\\OneDrive", kFolder));
  EXPECT_TRUE(IsPathInside(L"c:\\users\\ME\\onedrive\\Documents", kFolder));
  EXPECT_TRUE(IsPathInside(L"C:\\Users\\me\\OneDrive\\Documents", L"C:\\Users\\me\\OneDrive\\\\"));
  EXPECT_TRUE(IsPathInside(L"C:\\Users\\\u6211\\OneDrive\\\u6587\u6863",
                           L"C:\\Users\\\u6211\\OneDrive"));
  EXPECT_FALSE(IsPathInside(L"C:\\Users\\me\\OneDrive - Contoso\\Documents", kFolder));
  EXPECT_FALSE(IsPathInside(L"C:\\Users\\me\\OneDriveX", kFolder));
  EXPECT_FALSE(IsPathInside(L"C:\\Users\\me", kFolder));
  EXPECT_FALSE(IsPathInside(L"C:\\Users\\me\\Documents", L""));
  EXPECT_FALSE(IsPathInside(L"C:\\Users\\me\\Documents", L"\\"));
}

TEST(MoveChecks, OnlyFoldersGoingToAnotherVolumeNeedRoom) {
  const FolderToMove folders[] = {{700, true}, {5000, false}, {300, true}};
  ByteCount needed = 0;
  EXPECT_TRUE(FoldersFit(folders, 3, 1000, &needed));
  EXPECT_EQ(needed, 1000u);
  EXPECT_FALSE(FoldersFit(folders, 3, 999, &needed));
  EXPECT_EQ(needed, 1000u);
  EXPECT_TRUE(FoldersFit(folders + 1, 1, 0, &needed));  // a rename on one volume
  const FolderToMove large[] = {{3ull << 40, true}, {2ull << 40, true}};
  EXPECT_FALSE(FoldersFit(large, 2, 4ull << 40, &needed));
  EXPECT_EQ(needed, 5ull << 40);
}

// The attributes by which Windows reads a user folder's desktop.ini (its name in the user's
// language) go with its files.
TEST_F(MoveDirectory, DriveRootReceivesTheFoldersDirectly) {
  // Wine keeps no read-only attribute on a folder.
  const DWORD look = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(m_sources[3].c_str(), look));
  EXPECT_EQ(TypeAndMove(L"D:\\"), IDOK);
  for (int i = 0; i < kFolderCount; ++i) EXPECT_TRUE(MovedTo(L"D:", i)) << i;
  EXPECT_EQ(GetFileAttributesW(L"D:\\Music") & look, look);
  EXPECT_EQ(GetFileAttributesW(L"D:\\Videos") & look, 0u);
  SetFileAttributesW(L"D:\\Music", FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(MoveDirectory, FailedLookupOfTheThirdFolderEndsTheRun) {
  // The shell's lookup fails for a user folder that is not there.
  m_documentsAside = FreshTestFolder(L"move-aside") + L"\\Documents";
  ASSERT_TRUE(MoveFileW(m_sources[2].c_str(), m_documentsAside.c_str()));
  wchar_t path[MAX_PATH];
  ASSERT_LT(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path), 0);

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(MovedTo(m_destination, 0));
  EXPECT_TRUE(MovedTo(m_destination, 1));
  EXPECT_TRUE(StaysInPlace(3));
  EXPECT_TRUE(StaysInPlace(4));
  EXPECT_EQ(m_message, MovedLine(0, m_destination) + MovedLine(1, m_destination) +
                           L"我的文档：Windows找不到这个文件夹\n我的音乐：没有转移，仍在 " +
                           m_sources[3] + L"\n我的视频：没有转移，仍在 " + m_sources[4] + L"\n");
  EXPECT_EQ(NamesIn(m_destination), (std::vector<std::wstring>{L"Desktop", L"Pictures"}));
}

TEST_F(MoveDirectory, FoldersWhosePathWouldNotFitAreSkipped) {
  ExpectOnlyFittingFoldersMove(m_destination + L"\\" + std::wstring(230 - 9, L'x'));
}

TEST_F(MoveDirectory, TrailingSeparatorIsNotDoubled) {
  // A second separator would push Desktop's path past the limit.
  ExpectOnlyFittingFoldersMove(m_destination + L"\\" + std::wstring(230 - 9, L'x') + L"\\");
}

// A link that the user's own programs made inside the profile leads a user folder's path, as
// text still inside the profile, to any other folder (C:\ProgramData\VendorService, say): what
// lies behind the link stays, and the other folders move.
TEST_F(MoveDirectory, FolderBehindALinkInsideTheProfileStays) {
  const std::wstring machine = FreshTestFolder(L"move-machine");  // stands for ProgramData
  const std::wstring link = KnownFolder(CSIDL_PROFILE) + L"\\spruce-move-link";
  MakeFolderLink(link, machine);
  RelocateFolder(0, link + L"\\VendorService");

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(HoldsContentOf(machine + L"\\VendorService", 0));
  EXPECT_FALSE(PathExists(m_destination + L"\\Pictures"));
  for (int i : {1, 2, 3, 4}) EXPECT_TRUE(MovedTo(m_destination, i)) << i;
  EXPECT_NE(m_message.find(L"我的图片：没有转移，仍在 " + m_sources[0] +
                           L"。通往它的路上有一个链接"),
            std::wstring::npos)
      << m_message.c_str();
  // Put back before the link goes, through which the folder is reached.
  EXPECT_TRUE(MoveFileW(m_sources[0].c_str(), m_homes[0].c_str()));
  m_sources[0] = m_homes[0];
  RemoveTree(link);
  RemoveTree(machine);
}

TEST_F(MoveDirectory, WithoutTheDesktopUsersRightsNothingMoves) {
  EXPECT_TRUE(IsShellUserProcessUser());
  m_shellWindow.reset();
  ASSERT_EQ(GetShellWindow(), nullptr);
  // Nobody is known to be at the keyboard.
  EXPECT_FALSE(IsShellUserProcessUser());

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  EXPECT_TRUE(NothingMoved());
  EXPECT_EQ(m_message.rfind(L"无法以桌面上登录的用户的身份转移文件夹", 0), 0u) << m_message.c_str();
  EXPECT_NE(m_message.find(L"所以没有转移任何文件夹。"), std::wstring::npos);
}

// After the checks another program could make the destination a link to anywhere: one made
// before the destination is held (here while the source is reached, part by part) is refused;
// once held across the shell's move, the destination cannot be renamed away. A destination
// folder that is there already receives the files, rather than the folder inside it.
TEST_F(MoveDirectory, DestinationLinkedAfterTheChecksIsRefused) {
  static std::wstring elsewhere, documents, pictures;
  static int moves, movesAsUser, swaps;
  elsewhere = FreshTestFolder(L"move-elsewhere");
  documents = m_destination + L"\\Documents";
  pictures = m_destination + L"\\Pictures";
  moves = movesAsUser = swaps = 0;
  WriteFileOfSize(m_destination + L"\\Videos\\kept.txt", 3);
  // Pictures, the first, is there once the sizing is over and the moves have begun.
  g_pfnBeforeOpenListed = [](HANDLE, const wchar_t* name, size_t length) {
    if (std::wstring(name, length) == L"Documents" && PathExists(pictures) &&
        !PathExists(documents))
      MakeFolderLink(documents, elsewhere);
  };
  g_pfnBeforeShellMove = [](const wchar_t*, const wchar_t* destination) {
    ++moves;
    if (IsActingAsUser()) ++movesAsUser;
    const std::wstring aside = std::wstring(destination) + L"-aside";
    if (!MoveFileW(destination, aside.c_str())) return;
    ++swaps;
    MakeFolderLink(destination, elsewhere);
  };

  EXPECT_EQ(TypeAndMove(m_destination), IDOK);
  g_pfnBeforeOpenListed = nullptr;
  EXPECT_EQ(moves, 4);
  EXPECT_EQ(movesAsUser, 4);
  EXPECT_EQ(swaps, 0);
  EXPECT_TRUE(NamesIn(elsewhere).empty());
  EXPECT_TRUE(StaysInPlace(2));
  EXPECT_NE(m_message.find(L"我的文档：没有转移，仍在 " + m_sources[2] + L"。目标“" + documents +
                           L"”是一个链接"),
            std::wstring::npos)
      << m_message.c_str();
  for (int i : {0, 1, 3, 4}) EXPECT_TRUE(MovedTo(m_destination, i)) << i;
  EXPECT_TRUE(PathExists(m_destination + L"\\Videos\\kept.txt"));
  EXPECT_FALSE(PathExists(m_destination + L"\\Videos\\Videos"));
  EXPECT_EQ(NamesIn(m_destination), (std::vector<std::wstring>{L"Desktop", L"Documents", L"Music",
                                                                L"Pictures", L"Videos"}));
  RemoveTree(m_destination);
  RemoveTree(elsewhere);
}

TEST(MoveChecks, HeldEndsAndTheUsersRightsDecide) {
  const DWORD kStoppedOnLink = 681, ok = ERROR_SUCCESS;
  EXPECT_EQ(WhyHeldFolderStays(ok, ok, 20, 10, false), kFolderMoves);
  EXPECT_EQ(WhyHeldFolderStays(kStoppedOnLink, ok, 20, 10, false), kSourceThroughLink);
  EXPECT_EQ(WhyHeldFolderStays(ERROR_ACCESS_DENIED, ok, 20, 10, false), kFolderNotReached);
  EXPECT_EQ(WhyHeldFolderStays(ERROR_PATH_NOT_FOUND, kStoppedOnLink, 20, 10, false),
            kFolderNotReached);
  EXPECT_EQ(WhyHeldFolderStays(ok, kStoppedOnLink, 20, 10, false), kDestinationIsLink);
  // A name that appeared after the listing, a file of that name, a destination in use.
  for (DWORD error : {ERROR_ALREADY_EXISTS, ERROR_DIRECTORY, ERROR_SHARING_VIOLATION})
    EXPECT_EQ(WhyHeldFolderStays(ok, error, 20, 10, false), kFolderNotReached) << error;
  // Below a destination of 250 units, a name of 8 takes the last unit before the terminator.
  EXPECT_EQ(WhyHeldFolderStays(ok, ok, 250, 8, false), kFolderMoves);
  EXPECT_EQ(WhyHeldFolderStays(ok, ok, 250, 9, false), kNamesTooLong);
  EXPECT_EQ(WhyHeldFolderStays(ok, ok, MAX_PATH - 1, 0, false), kFolderMoves);  // an empty folder
  EXPECT_EQ(WhyHeldFolderStays(kStoppedOnLink, ok, 250, 9, false), kSourceThroughLink);
  EXPECT_EQ(WhyHeldFolderStays(ok, ok, 20, 10, true), kFolderAlreadyThere);
  EXPECT_EQ(WhyHeldFolderStays(ok, kStoppedOnLink, 20, 10, true), kDestinationIsLink);
  EXPECT_EQ(WhyNothingMoves(true, true), kRunMoves);
  EXPECT_EQ(WhyNothingMoves(false, true), kRunWithoutUserRights);
  EXPECT_EQ(WhyNothingMoves(false, false), kRunWithoutUserRights);
  EXPECT_EQ(WhyNothingMoves(true, false), kRunForOtherUser);
}

}  // namespace
