// CFolderDialog: the shell's browse-for-folder dialog, run like any modal dialog of ours.
// Construct it with a parent, call DoModal and, on IDOK, read m_chosenPath. The shell's
// notifications reach the virtual On... operations, so a derived class can react to them.
#pragma once

#include "framework/framework.h"

#include <shlobj.h>

class CFolderDialog : public CCommonDialog {
 public:
  explicit CFolderDialog(CWnd* parent = nullptr);
  ~CFolderDialog() override;

  // IDOK when a folder was chosen and its path is in m_chosenPath; -1 when the chosen item
  // has no file-system path; IDCANCEL when the user cancelled.
  INT_PTR DoModal() override;

  BROWSEINFOW m_browseInfo;
  wchar_t m_initialPath[MAX_PATH];  // preselected when the dialog opens; empty: none
  wchar_t m_chosenPath[MAX_PATH];
  HWND m_browseWnd = nullptr;       // the shell's window, while a notification is handled

 protected:
  virtual void OnBrowseInit();
  virtual void OnBrowseSelChange(LPITEMIDLIST item);
  // A name typed into the edit box that names no folder; nonzero keeps the dialog open.
  virtual int OnBrowseValidateFailed(const wchar_t* typedName);
  virtual void OnBrowseIUnknown(IUnknown* unknown);

  static int CALLBACK BrowseCallback(HWND browseWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
};
