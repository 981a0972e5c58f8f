// CWnd: the framework's window wrapper. A CWnd either just names a window (Attach) or takes
// it over (SubclassWindow): then its message map sees the window's messages first and
// Default() hands a message on to the window's original procedure.
#pragma once

#include "framework/menu.h"
#include "framework/message_map.h"

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;

  void Attach(HWND hWnd) { m_hWnd = hWnd; }
  HWND Detach();

  // Takes the window over; its messages go through this object's message map from now on.
  BOOL SubclassWindow(HWND hWnd);
  // The framework object that has taken over hWnd, if any.
  static CWnd* FromHandlePermanent(HWND hWnd);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HICON SetIcon(HICON icon, BOOL bigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bigIcon, reinterpret_cast<LPARAM>(icon)));
  }
  // The window's system menu, or null; the menu object lives as long as this window object.
  CMenu* GetSystemMenu(BOOL revert);
  int MessageBox(const wchar_t* text, const wchar_t* caption = nullptr, UINT type = MB_OK) const {
    return ::MessageBoxW(m_hWnd, text, caption, type);
  }

  // The owner-draw request of a control, reflected to the control's own object.
  virtual void DrawItem(DRAWITEMSTRUCT* drawItem);

  // The message procedure installed on windows taken over.
  static LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }

  // Finds and calls the handler for a message; false when the maps hold none.
  virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The handling the window would have had without this object.
  LRESULT Default();

  // Handlers whose default behaviour derived classes extend.
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();

 private:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  static const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

  WNDPROC m_pfnSuper = nullptr;
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } m_current = {0, 0, 0};
  CMenu m_systemMenu;
};
