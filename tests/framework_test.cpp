// The framework's logic: message-map dispatch and chaining, Default(), reflected owner draw,
// data exchange, and the dialog's modal run with its IDOK/IDCANCEL handling.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT kTemplate = 9000;
const int kEdit = 9001, kPush = 9002, kDrawn = 9003, kUnbound = 9004;
const UINT kCustomCode = 0x1234;

class CRecordingButton : public CButton {
 public:
  void DrawItem(DRAWITEMSTRUCT* drawItem) override { m_drawnIds.push_back(drawItem->CtlID); }
  std::vector<UINT> m_drawnIds;
};

class CBaseTestDlg : public CDialog {
 public:
  CBaseTestDlg() : CDialog(kTemplate) {}
  std::vector<std::string> m_calls;
  CString m_strText;
  CRecordingButton m_btnDrawn;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kDrawn, m_btnDrawn);
    DDX_Text(pDX, kEdit, m_strText);
  }
  void OnPushed() { m_calls.push_back("base push"); }
  void OnSysCommand(UINT id, LPARAM) { m_calls.push_back("base syscommand " + std::to_string(id)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestDlg, CDialog)
  ON_BN_CLICKED(kPush, OnPushed)
  ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

class CDerivedTestDlg : public CBaseTestDlg {
 protected:
  void OnPushed() { m_calls.push_back("derived push"); }
  void OnCustom(NMHDR* header, LRESULT* result) {
    m_calls.push_back("notify " + std::to_string(header->idFrom));
    *result = 77;
  }
  HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x5150)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestDlg, CBaseTestDlg)
  ON_BN_CLICKED(kPush, OnPushed)
  ON_NOTIFY(kCustomCode, kEdit, OnCustom)
  ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

// An edit taken over by its own object, whose handler runs the edit's own handling first.
class CEditWatcher : public CWnd {
 public:
  std::wstring m_seenAfterDefault;

 protected:
  void OnSize(UINT, int, int) {
    Default();
    wchar_t text[64] = {};
    GetWindowTextW(m_hWnd, text, 64);
    m_seenAfterDefault = text;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEditWatcher, CWnd)
  ON_WM_SIZE()
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesWinAndBaseEntriesStillServe) {
  CDerivedTestDlg dialog;
  LRESULT notifyResult = 0, dragIcon = 0;
  RunModalWith(dialog, [&] {
    HWND hWnd = dialog.m_hWnd;
    ClickControl(hWnd, kPush);
    NMHDR header = {GetDlgItem(hWnd, kEdit), static_cast<UINT_PTR>(kEdit), kCustomCode};
    notifyResult = SendMessageW(hWnd, WM_NOTIFY, kEdit, reinterpret_cast<LPARAM>(&header));
    NMHDR otherControl = {GetDlgItem(hWnd, kPush), static_cast<UINT_PTR>(kPush), kCustomCode};
    SendMessageW(hWnd, WM_NOTIFY, kPush, reinterpret_cast<LPARAM>(&otherControl));
    dragIcon = SendMessageW(hWnd, WM_QUERYDRAGICON, 0, 0);
    SendMessageW(hWnd, WM_SYSCOMMAND, 0x0010, 0);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(dialog.m_calls,
            (std::vector<std::string>{"derived push", "notify 9001", "base syscommand 16"}));
  EXPECT_EQ(notifyResult, 77);
  EXPECT_EQ(dragIcon, 0x5150);
}

TEST(MessageMap, DefaultRunsTheWindowsOwnHandling) {
  CBaseTestDlg dialog;
  CEditWatcher watcher;
  RunModalWith(dialog, [&] {
    HWND edit = GetDlgItem(dialog.m_hWnd, kEdit);
    ASSERT_TRUE(watcher.SubclassWindow(edit));
    EXPECT_FALSE(CEditWatcher().SubclassWindow(edit));  // a window has one object at most
    SetWindowTextW(edit, L"still an edit");
    SetWindowPos(edit, nullptr, 0, 0, 150, 20, SWP_NOMOVE | SWP_NOZORDER);
    dialog.EndDialog(IDOK);
  });
  EXPECT_EQ(watcher.m_seenAfterDefault, L"still an edit");
  EXPECT_EQ(watcher.m_hWnd, nullptr);  // let go when the window was destroyed
}

TEST(MessageMap, OwnerDrawIsReflectedOnlyToBoundControls) {
  CBaseTestDlg dialog;
  LRESULT boundResult = 0, unboundResult = 0;
  RunModalWith(dialog, [&] {
    DRAWITEMSTRUCT bound = {};
    bound.CtlType = ODT_BUTTON;
    bound.CtlID = kDrawn;
    bound.hwndItem = GetDlgItem(dialog.m_hWnd, kDrawn);
    boundResult = SendMessageW(dialog.m_hWnd, WM_DRAWITEM, kDrawn, reinterpret_cast<LPARAM>(&bound));
    DRAWITEMSTRUCT unbound = bound;
    unbound.CtlID = kUnbound;
    unbound.hwndItem = GetDlgItem(dialog.m_hWnd, kUnbound);
    unboundResult =
        SendMessageW(dialog.m_hWnd, WM_DRAWITEM, kUnbound, reinterpret_cast<LPARAM>(&unbound));
    dialog.EndDialog(IDCANCEL);
  });
  // The button also drew itself when the dialog first showed.
  ASSERT_FALSE(dialog.m_btnDrawn.m_drawnIds.empty());
  for (UINT id : dialog.m_btnDrawn.m_drawnIds) EXPECT_EQ(id, static_cast<UINT>(kDrawn));
  EXPECT_EQ(boundResult, TRUE);
  EXPECT_EQ(unboundResult, FALSE);
}

TEST(Dialog, DataExchangeFillsControlsAndReadsThemBackOnOK) {
  CBaseTestDlg dialog;
  dialog.m_strText = L"D:\\初始";
  std::wstring shown;
  INT_PTR result = RunModalWith(dialog, [&] {
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog.m_hWnd, kEdit, text, 64);
    shown = text;
    SetDlgItemTextW(dialog.m_hWnd, kEdit, L"E:\\typed by hand");
    ClickControl(dialog.m_hWnd, IDOK);  // no entry in the map: the dialog's own OnOK
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, L"D:\\初始");
  EXPECT_STREQ(dialog.m_strText, L"E:\\typed by hand");
  EXPECT_EQ(dialog.m_btnDrawn.m_hWnd, nullptr);
}

TEST(Dialog, CancelEscAndTheCloseBoxEndWithIdCancelAndKeepTheMembers) {
  for (UINT message : {0u, static_cast<UINT>(WM_CLOSE)}) {
    CBaseTestDlg dialog;
    dialog.m_strText = L"kept";
    INT_PTR result = RunModalWith(dialog, [&] {
      SetDlgItemTextW(dialog.m_hWnd, kEdit, L"discarded");
      if (message == WM_CLOSE) {
        SendMessageW(dialog.m_hWnd, WM_CLOSE, 0, 0);
      } else {
        ClickControl(dialog.m_hWnd, IDCANCEL);
      }
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_STREQ(dialog.m_strText, L"kept");
  }
}

TEST(Dialog, MissingTemplateFails) {
  CDialog dialog(4242);
  EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(String, LoadsResourcesAndReportsMissingOnes) {
  CString text;
  EXPECT_TRUE(text.LoadString(9011));
  EXPECT_STREQ(text, L"测试字符串");
  EXPECT_FALSE(text.LoadString(9012));
  EXPECT_TRUE(text.IsEmpty());
}

}  // namespace
