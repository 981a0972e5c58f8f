// The chat-files tool: the pictures, videos and files of each WeChat and QQ account older than
// a chosen time, sized on a worker thread, and those of the rows the user checks moved into the
// Recycle Bin on another, once the user has confirmed. Everything runs as the signed-in user;
// without that user's rights the tool lists nothing. The rows of a client that runs stay.
#pragma once

#include "engine/rows.h"
#include "framework/framework.h"

class CChatFilesDlg : public CDialog {
 public:
  explicit CChatFilesDlg(CWnd* parent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnAgeChanged();
  void OnRecycle();
  // The workers' synchronous calls: a row sized (wParam the row, lParam a SizedRow), files
  // moved so far (wParam), the move's end (lParam a ChatRecycleReport).
  LRESULT OnRowSized(WPARAM wParam, LPARAM lParam);
  LRESULT OnRecycleProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnRecycled(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CWnd m_comboAge;
  CListCtrl m_listRows;
  CWnd m_textStatus;
  CButton m_btnRecycle;
  CButton m_btnClose;

 private:
  void InsertColumns();
  void FillRows();
  void ShowStatus();
  // Sizes every row again for the age chosen; sizes of an earlier choice are dropped.
  void StartSizing();
  ChatAge ChosenAge() const;
  bool IsRowRunning(int row) const { return m_bRunning[m_rows.rows[row].layout]; }

  ChatRows m_rows;
  ChatSize m_sizes[kMaxChatRows];
  bool m_bSized[kMaxChatRows];
  bool m_bRunning[kChatLayoutCount];  // by layout, as at the dialog's start
  bool m_bActs;                       // the user's rights could be had
  bool m_bMoving;
  UINT m_nSizing;  // which sizing the rows' sizes belong to
  ULONG m_nFilesToMove;
};
