// CDialog: a dialog from a template of the program's resources, run modally. Its controls are
// bound to members through data exchange; IDOK and IDCANCEL end it unless its map says else.
#pragma once

#include "framework/string.h"
#include "framework/window.h"

class CDialog;

// The direction and the dialog of one data exchange.
struct CDataExchange {
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
};

// Binds control id of the dialog to control, which takes the window over (once).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// Exchanges the text of control id with value.
void DDX_Text(CDataExchange* pDX, int id, CString& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr)
      : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  void EndDialog(int result) const { ::EndDialog(m_hWnd, result); }

 protected:
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // The window that owns the dialog while it runs: the parent given, else the main window.
  HWND PreModal() const;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Base of dialogs that the system draws itself (no template of ours).
class CCommonDialog : public CDialog {
 public:
  explicit CCommonDialog(CWnd* parent) : CDialog(0, parent) {}
};
