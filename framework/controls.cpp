#include "framework/controls.h"

int CListCtrl::InsertColumn(int column, const wchar_t* heading, int format, int width) const {
  LVCOLUMNW record = {};
  record.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  record.fmt = format;
  record.cx = width;
  record.pszText = const_cast<wchar_t*>(heading);
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&record)));
}

int CListCtrl::InsertItem(int item, const wchar_t* text) const {
  return InsertItem(LVIF_TEXT, item, text, 0, 0, 0, 0);
}

int CListCtrl::InsertItem(UINT mask, int item, const wchar_t* text, UINT state, UINT stateMask,
                          int image, LPARAM data) const {
  LVITEMW record = {};
  record.mask = mask;
  record.iItem = item;
  record.pszText = const_cast<wchar_t*>(text);
  record.state = state;
  record.stateMask = stateMask;
  record.iImage = image;
  record.lParam = data;
  return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&record)));
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
  LVITEMW record = {};
  record.mask = LVIF_PARAM;
  record.iItem = item;
  if (!SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record))) return 0;
  return static_cast<DWORD_PTR>(record.lParam);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const wchar_t* text) const {
  LVITEMW record = {};
  record.iSubItem = subItem;
  record.pszText = const_cast<wchar_t*>(text);
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&record)));
}

int CListCtrl::GetItemText(int item, int subItem, wchar_t* buffer, int length) const {
  LVITEMW record = {};
  record.iSubItem = subItem;
  record.pszText = buffer;
  record.cchTextMax = length;
  return static_cast<int>(SendMessage(LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&record)));
}

BOOL CListCtrl::SetCheck(int item, BOOL check) const {
  LVITEMW record = {};
  record.stateMask = LVIS_STATEIMAGEMASK;
  record.state = INDEXTOSTATEIMAGEMASK(check ? 2 : 1);
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&record)));
}

BOOL CListCtrl::GetCheck(int item) const {
  UINT state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK));
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return TRUE;
}

BOOL CImageList::DrawIndirect(IMAGELISTDRAWPARAMS* params) const {
  params->himl = m_hImageList;
  return ImageList_DrawIndirect(params);
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  DeleteObject();
  m_hObject = object;
  return object != nullptr;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return TRUE;
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
