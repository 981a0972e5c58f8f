#include "framework/window.h"

namespace {

const wchar_t kObjectProperty[] = L"Spruce.CWnd";

}  // namespace

CWnd::~CWnd() {
  // Give a window that outlives its object back its own procedure.
  if (m_pfnSuper && ::IsWindow(m_hWnd)) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropW(m_hWnd, kObjectProperty);
  }
}

HWND CWnd::Detach() {
  HWND hWnd = m_hWnd;
  m_hWnd = nullptr;
  return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!hWnd || FromHandlePermanent(hWnd)) return FALSE;
  m_hWnd = hWnd;
  ::SetPropW(hWnd, kObjectProperty, this);
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc)));
  return TRUE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  return static_cast<CWnd*>(::GetPropW(hWnd, kObjectProperty));
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
  HMENU menu = ::GetSystemMenu(m_hWnd, revert);
  if (!menu) return nullptr;
  m_systemMenu.m_hMenu = menu;
  return &m_systemMenu;
}

void CWnd::DrawItem(DRAWITEMSTRUCT*) {}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP_ENTRY* CWnd::FindEntry(const AFX_MSGMAP* map, UINT message, UINT code,
                                        UINT id) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage; ++entry) {
      if (entry->nMessage == message && entry->nCode == code && entry->nID == id) return entry;
    }
  }
  return nullptr;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  UINT code = 0;
  UINT id = 0;
  if (message == WM_COMMAND) {
    code = HIWORD(wParam);
    id = LOWORD(wParam);
  } else if (message == WM_NOTIFY) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    code = header->code;
    id = static_cast<UINT>(header->idFrom);
  } else if (message == WM_DRAWITEM) {
    DRAWITEMSTRUCT* drawItem = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (CWnd* control = FromHandlePermanent(drawItem->hwndItem)) {
      control->DrawItem(drawItem);
      *result = TRUE;
      return true;
    }
    return false;
  }
  const AFX_MSGMAP_ENTRY* entry = FindEntry(GetMessageMap(), message, code, id);
  if (!entry) return false;
  *result = entry->pfn(this, wParam, lParam);
  return true;
}

LRESULT CWnd::Default() {
  return ::CallWindowProcW(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam,
                           m_current.lParam);
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Handlers may send messages to their own window: keep the outer message for Default().
  CurrentMessage outer = m_current;
  m_current = {message, wParam, lParam};
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = Default();
  m_current = outer;
  return result;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = FromHandlePermanent(hWnd);
  if (!object) return ::DefWindowProcW(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone after this message: the object lets go of it.
    WNDPROC super = object->m_pfnSuper;
    ::RemovePropW(hWnd, kObjectProperty);
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    object->m_pfnSuper = nullptr;
    object->m_hWnd = nullptr;
    return ::CallWindowProcW(super, hWnd, message, wParam, lParam);
  }
  return object->WindowProc(message, wParam, lParam);
}
