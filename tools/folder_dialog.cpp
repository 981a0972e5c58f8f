#include "tools/folder_dialog.h"

CFolderDialog::CFolderDialog(CWnd* parent) : CCommonDialog(parent) {
  ZeroMemory(&m_browseInfo, sizeof m_browseInfo);
  ZeroMemory(m_initialPath, sizeof m_initialPath);
  ZeroMemory(m_chosenPath, sizeof m_chosenPath);
  m_browseInfo.hwndOwner = parent ? parent->m_hWnd : nullptr;
  m_browseInfo.pszDisplayName = new wchar_t[MAX_PATH]();
  m_browseInfo.lpszTitle = L"Select the root folder for the browse dialog:";
  m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_USENEWUI;
  m_browseInfo.lpfn = &CFolderDialog::BrowseCallback;
  m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog::~CFolderDialog() {
  if (m_browseInfo.pidlRoot) {
    CoTaskMemFree(const_cast<LPITEMIDLIST>(m_browseInfo.pidlRoot));
    m_browseInfo.pidlRoot = nullptr;
  }
  delete[] m_browseInfo.pszDisplayName;
  m_browseInfo.pszDisplayName = nullptr;
  ZeroMemory(&m_browseInfo, sizeof m_browseInfo);
}

INT_PTR CFolderDialog::DoModal() {
  m_browseInfo.hwndOwner = PreModal();
  LPITEMIDLIST chosen = SHBrowseForFolderW(&m_browseInfo);
  if (!chosen) return IDCANCEL;
  INT_PTR result = SHGetPathFromIDListW(chosen, m_chosenPath) ? IDOK : -1;
  CoTaskMemFree(chosen);
  return result;
}

int CALLBACK CFolderDialog::BrowseCallback(HWND browseWnd, UINT uMsg, LPARAM lParam,
                                           LPARAM lpData) {
  CFolderDialog* dialog = reinterpret_cast<CFolderDialog*>(lpData);
  // A handler's own message to the shell can bring a nested notification (a selection sends
  // BFFM_SELCHANGED): the outer handler keeps its window when the nested one ends.
  HWND outerWnd = dialog->m_browseWnd;
  dialog->m_browseWnd = browseWnd;
  int result = 0;
  switch (uMsg) {
    case BFFM_INITIALIZED:
      dialog->OnBrowseInit();
      break;
    case BFFM_SELCHANGED:
      dialog->OnBrowseSelChange(reinterpret_cast<LPITEMIDLIST>(lParam));
      break;
    case BFFM_VALIDATEFAILEDW:
      result = dialog->OnBrowseValidateFailed(reinterpret_cast<const wchar_t*>(lParam));
      break;
    case BFFM_IUNKNOWN:
      dialog->OnBrowseIUnknown(reinterpret_cast<IUnknown*>(lParam));
      break;
    default:  // BFFM_VALIDATEFAILEDA among them: this dialog runs with wide texts only
      break;
  }
  dialog->m_browseWnd = outerWnd;
  return result;
}

void CFolderDialog::OnBrowseInit() {
  if (lstrlenW(m_initialPath) > 0)
    ::SendMessageW(m_browseWnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(m_initialPath));
}

void CFolderDialog::OnBrowseSelChange(LPITEMIDLIST item) {
  if (!(m_browseInfo.ulFlags & BIF_STATUSTEXT)) return;
  wchar_t path[MAX_PATH] = {};
  if (SHGetPathFromIDListW(item, path))
    ::SendMessageW(m_browseWnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
}

int CFolderDialog::OnBrowseValidateFailed(const wchar_t*) {
  MessageBeep(MB_ICONHAND);
  return 1;
}

void CFolderDialog::OnBrowseIUnknown(IUnknown*) {}
