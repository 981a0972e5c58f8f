// The folder-moving tool: moves the user's Pictures, Desktop, Documents, Music and Videos
// folders into one folder the user picks, each by one move of the shell, which shows its own
// progress, confirmations and errors.
#pragma once

#include "framework/framework.h"

class CMoveDirectoryDlg : public CDialog {
 public:
  explicit CMoveDirectoryDlg(CWnd* parent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnBrowse();
  void OnMove();
  DECLARE_MESSAGE_MAP()

  CString m_strDestination;  // the folder the user folders go into; empty: none
};
