// The folder picker on a virtual display: the shell's own browse dialog, answered from the
// picker's initialisation notification as a user would answer it, and the notifications'
// dispatch to the picker's operations.
#include "gui_support.h"
#include "test_support.h"

#include "tools/folder_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SentMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::wstring statusText;  // copied while it is still there
};

std::vector<SentMessage> g_sent;
HWND g_spied = nullptr;

LRESULT CALLBACK RecordSentMessage(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == g_spied) {
    std::wstring text;
    if (sent->message == BFFM_SETSTATUSTEXTW) text = reinterpret_cast<const wchar_t*>(sent->lParam);
    g_sent.push_back({sent->message, sent->wParam, sent->lParam, text});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The messages this thread sends to window while action runs.
template <class Action>
std::vector<SentMessage> MessagesSentTo(HWND window, Action action) {
  g_sent.clear();
  g_spied = window;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &RecordSentMessage, nullptr, GetCurrentThreadId());
  action();
  UnhookWindowsHookEx(hook);
  return g_sent;
}

HWND CreatePlainWindow() {
  return CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// A picker with a user behind it: once the shell's dialog is up it may preselect a folder,
// then presses OK or Cancel. What the picker's own initialisation sends is recorded.
class CAnsweringPicker : public CFolderDialog {
 public:
  CAnsweringPicker(CWnd* parent, int answer) : CFolderDialog(parent), m_answer(answer) {}

  int m_answer;
  LPITEMIDLIST m_selectFirst = nullptr;  // selected before answering, when set
  HWND m_windowAtInit = nullptr;
  HWND m_ownerAtInit = nullptr;
  std::vector<SentMessage> m_sentAtInit;
  std::wstring m_selected;  // as the shell last reported it

 protected:
  void OnBrowseInit() override {
    m_windowAtInit = m_browseWnd;
    m_ownerAtInit = GetWindow(m_browseWnd, GW_OWNER);
    m_sentAtInit = MessagesSentTo(m_browseWnd, [this] { CFolderDialog::OnBrowseInit(); });
    // Wine now and then misses a folder made a moment before; a user would select it again.
    for (int tries = 0; m_initialPath[0] && m_selected != m_initialPath && tries < 50; ++tries) {
      Sleep(20);
      ::SendMessageW(m_browseWnd, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(m_initialPath));
    }
    if (m_selectFirst) ::SendMessageW(m_browseWnd, BFFM_SETSELECTIONW, FALSE,
                                      reinterpret_cast<LPARAM>(m_selectFirst));
    // Posted: the shell's dialog handles the press once its initialisation is over.
    ::PostMessageW(m_browseWnd, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(m_browseWnd, m_answer)));
  }

  void OnBrowseSelChange(LPITEMIDLIST item) override {
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(item, path);
    m_selected = path;
  }
};

TEST(FolderDialog, ConfirmedChoiceGivesOkAndTheFolderPath) {
  std::wstring folder = FreshTestFolder(L"picker\\选定的文件夹");
  CWnd owner;
  owner.Attach(CreatePlainWindow());
  CAnsweringPicker picker(&owner, IDOK);
  lstrcpyW(picker.m_initialPath, folder.c_str());
  INT_PTR result = picker.DoModal();

  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(std::wstring(picker.m_chosenPath), folder);
  // The shell writes the folder's display name into the record's buffer; Wine's is the path.
  std::wstring displayName = picker.m_browseInfo.pszDisplayName;
  EXPECT_EQ(displayName.substr(displayName.size() - 6), L"选定的文件夹") << displayName;
  // The picker's initialisation preselected m_initialPath, given as a path.
  ASSERT_FALSE(picker.m_sentAtInit.empty());
  EXPECT_EQ(picker.m_sentAtInit[0].message, static_cast<UINT>(BFFM_SETSELECTIONW));
  EXPECT_EQ(picker.m_sentAtInit[0].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(picker.m_sentAtInit[0].lParam, reinterpret_cast<LPARAM>(picker.m_initialPath));
  // The shell's window is known during the notification only, and is owned by the parent.
  EXPECT_NE(picker.m_windowAtInit, nullptr);
  EXPECT_EQ(picker.m_browseWnd, nullptr);
  EXPECT_EQ(picker.m_ownerAtInit, owner.m_hWnd);
  DestroyWindow(owner.m_hWnd);
}

TEST(FolderDialog, CancelGivesCancelAndNoPath) {
  CAnsweringPicker picker(nullptr, IDCANCEL);
  lstrcpyW(picker.m_initialPath, FreshTestFolder(L"picker\\cancelled").c_str());
  EXPECT_EQ(picker.DoModal(), IDCANCEL);
  EXPECT_STREQ(picker.m_chosenPath, L"");
}

TEST(FolderDialog, WithoutInitialPathInitialisationSendsNothing) {
  CAnsweringPicker picker(nullptr, IDCANCEL);
  EXPECT_EQ(picker.DoModal(), IDCANCEL);
  EXPECT_NE(picker.m_windowAtInit, nullptr);
  EXPECT_TRUE(picker.m_sentAtInit.empty()) << picker.m_sentAtInit.size() << " messages sent";
}

// The shell disables its OK button for such an item; the command is sent all the same, to see
// what DoModal makes of a chosen item without a path.
TEST(FolderDialog, ChosenItemWithoutFileSystemPathGivesMinusOne) {
  LPITEMIDLIST computer = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  CAnsweringPicker picker(nullptr, IDOK);
  picker.m_selectFirst = computer;
  EXPECT_EQ(picker.DoModal(), -1);
  CoTaskMemFree(computer);
}

// Records which operation each notification reaches, and the browse window it sees.
class CRecordingPicker : public CFolderDialog {
 public:
  struct Call {
    const char* operation;
    LPARAM argument;
    HWND browseWnd;
  };
  std::vector<Call> m_calls;
  HWND m_nestedWnd = nullptr;  // when set, initialisation brings a nested notification
  HWND m_wndAfterNested = nullptr;

  static int Notify(CFolderDialog& picker, HWND window, UINT code, LPARAM lParam) {
    return BrowseCallback(window, code, lParam, reinterpret_cast<LPARAM>(&picker));
  }

 protected:
  void OnBrowseInit() override {
    m_calls.push_back({"init", 0, m_browseWnd});
    if (!m_nestedWnd) return;
    Notify(*this, m_nestedWnd, BFFM_SELCHANGED, 0x90);
    m_wndAfterNested = m_browseWnd;
  }
  void OnBrowseSelChange(LPITEMIDLIST item) override {
    m_calls.push_back({"selchange", reinterpret_cast<LPARAM>(item), m_browseWnd});
  }
  int OnBrowseValidateFailed(const wchar_t* name) override {
    m_calls.push_back({"validatefailed", reinterpret_cast<LPARAM>(name), m_browseWnd});
    return 7;
  }
  void OnBrowseIUnknown(IUnknown* unknown) override {
    m_calls.push_back({"iunknown", reinterpret_cast<LPARAM>(unknown), m_browseWnd});
  }
};

// Each notification reaches its operation with the browse window set for the time of the
// call; BFFM_VALIDATEFAILEDW alone passes its operation's answer back to the shell.
TEST(FolderDialog, CallbackDispatchesEachNotification) {
  CRecordingPicker picker;
  HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const wchar_t* typed = L"no such folder";
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_INITIALIZED, 0), 0);
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_SELCHANGED, 0x50), 0);
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_VALIDATEFAILEDA, 0x60), 0);
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_VALIDATEFAILEDW,
                                     reinterpret_cast<LPARAM>(typed)), 7);
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_IUNKNOWN, 0x70), 0);
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, 99, 0x80), 0);
  EXPECT_EQ(picker.m_browseWnd, nullptr);

  ASSERT_EQ(picker.m_calls.size(), 4u);
  const char* operations[] = {"init", "selchange", "validatefailed", "iunknown"};
  LPARAM arguments[] = {0, 0x50, reinterpret_cast<LPARAM>(typed), 0x70};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_STREQ(picker.m_calls[i].operation, operations[i]);
    EXPECT_EQ(picker.m_calls[i].argument, arguments[i]) << operations[i];
    EXPECT_EQ(picker.m_calls[i].browseWnd, window) << operations[i];
  }

  // A selection made from a handler brings a nested notification; the handler keeps its window.
  CRecordingPicker nesting;
  nesting.m_nestedWnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x5678));
  CRecordingPicker::Notify(nesting, window, BFFM_INITIALIZED, 0);
  ASSERT_EQ(nesting.m_calls.size(), 2u);
  EXPECT_EQ(nesting.m_calls[1].browseWnd, nesting.m_nestedWnd);
  EXPECT_EQ(nesting.m_wndAfterNested, window);
  EXPECT_EQ(nesting.m_browseWnd, nullptr);
}

// What the picker's own operations send the browse window.
TEST(FolderDialog, OperationsAnswerNotificationsAsDocumented) {
  std::wstring folder = FreshTestFolder(L"picker\\status");
  LPITEMIDLIST item = ILCreateFromPathW(folder.c_str());
  ASSERT_NE(item, nullptr);
  HWND window = CreatePlainWindow();
  CFolderDialog picker(nullptr);
  auto selectionChanges = [&] {
    EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_SELCHANGED,
                                       reinterpret_cast<LPARAM>(item)), 0);
  };

  // The constructor's flags ask for no status text.
  EXPECT_TRUE(MessagesSentTo(window, selectionChanges).empty());
  picker.m_browseInfo.ulFlags |= BIF_STATUSTEXT;
  std::vector<SentMessage> sent = MessagesSentTo(window, selectionChanges);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, static_cast<UINT>(BFFM_SETSTATUSTEXTW));
  EXPECT_EQ(sent[0].wParam, 0u);
  EXPECT_EQ(sent[0].statusText, folder);
  // A typed name that names no folder keeps the shell's dialog open.
  EXPECT_EQ(CRecordingPicker::Notify(picker, window, BFFM_VALIDATEFAILEDW,
                                     reinterpret_cast<LPARAM>(L"nowhere")), 1);

  ILFree(item);
  DestroyWindow(window);
}

}  // namespace
