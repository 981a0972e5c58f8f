#include "framework/dialog.h"

#include "framework/application.h"

#include <vector>

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (!control.m_hWnd) control.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id));
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  HWND item = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
  if (!pDX->m_bSaveAndValidate) {
    ::SetWindowTextW(item, value);
    return;
  }
  std::vector<wchar_t> text(::GetWindowTextLengthW(item) + 1, L'\0');
  ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
  value = text.data();
}

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate),
                           PreModal(), &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialog::PreModal() const {
  if (m_pParentWnd) return m_pParentWnd->m_hWnd;
  CWnd* main = AfxGetMainWnd();
  return main && main != this ? main->m_hWnd : nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  // From here on the dialog's messages pass through its object's message map first.
  CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
  dialog->SubclassWindow(hWnd);
  return dialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog() { return UpdateData(FALSE); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange = {this, saveAndValidate};
  DoDataExchange(&exchange);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (CWnd::OnWndMsg(message, wParam, lParam, result)) return true;
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
  // Enter, Esc and the close box arrive here as IDOK and IDCANCEL.
  if (LOWORD(wParam) == IDOK) {
    OnOK();
  } else if (LOWORD(wParam) == IDCANCEL) {
    OnCancel();
  } else {
    return false;
  }
  *result = 0;
  return true;
}
