// Message maps: per-class tables of (message, notification code, control id, handler) that a
// framework window procedure searches, the class's own table first, then its base's.
#pragma once

#include <windows.h>

class CWnd;

// Calls one handler with the message's parameters unpacked; yields the message's result.
typedef LRESULT (*AfxHandlerThunk)(CWnd* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // 0 ends the table
  UINT nCode;     // notification code for WM_COMMAND and WM_NOTIFY, else 0
  UINT nID;       // control id for WM_COMMAND and WM_NOTIFY, else 0
  AfxHandlerThunk pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null at the root
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// One thunk per handler signature. Each unpacks the parameters the way Windows packs them.
template <class T>
struct AfxThunks {
  template <void (T::*F)()>
  static LRESULT Void(CWnd* target, WPARAM, LPARAM) {
    (static_cast<T*>(target)->*F)();
    return 0;
  }
  template <void (T::*F)(UINT, LPARAM)>
  static LRESULT SysCommand(CWnd* target, WPARAM wParam, LPARAM lParam) {
    (static_cast<T*>(target)->*F)(static_cast<UINT>(wParam), lParam);
    return 0;
  }
  template <HCURSOR (T::*F)()>
  static LRESULT QueryDragIcon(CWnd* target, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((static_cast<T*>(target)->*F)());
  }
  template <LRESULT (T::*F)(WPARAM, LPARAM)>
  static LRESULT Message(CWnd* target, WPARAM wParam, LPARAM lParam) {
    return (static_cast<T*>(target)->*F)(wParam, lParam);
  }
  template <void (T::*F)(NMHDR*, LRESULT*)>
  static LRESULT Notify(CWnd* target, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (static_cast<T*>(target)->*F)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
  }
  template <void (T::*F)(HWND)>
  static LRESULT SetFocus(CWnd* target, WPARAM wParam, LPARAM) {
    (static_cast<T*>(target)->*F)(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  template <void (T::*F)(UINT, int, int)>
  static LRESULT Size(CWnd* target, WPARAM wParam, LPARAM lParam) {
    (static_cast<T*>(target)->*F)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                                  static_cast<short>(HIWORD(lParam)));
    return 0;
  }
  template <void (T::*F)(BOOL)>
  static LRESULT Enable(CWnd* target, WPARAM wParam, LPARAM) {
    (static_cast<T*>(target)->*F)(static_cast<BOOL>(wParam));
    return 0;
  }
  template <BOOL (T::*F)(HWND, UINT, UINT)>
  static LRESULT SetCursor(CWnd* target, WPARAM wParam, LPARAM lParam) {
    return (static_cast<T*>(target)->*F)(reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                                         HIWORD(lParam));
  }
};

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const AFX_MSGMAP* GetThisMessageMap();   \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }     \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                     \
    typedef theClass ThisClass;                                                         \
    typedef baseClass TheBaseClass;                                                     \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                      \
  {0, 0, 0, nullptr}};                                                         \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries};   \
  return &map;                                                                 \
  }

#define ON_BN_CLICKED(id, handler) \
  {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), &AfxThunks<ThisClass>::Void<&ThisClass::handler>},
#define ON_CBN_SELCHANGE(id, handler)                                \
  {WM_COMMAND, CBN_SELCHANGE, static_cast<UINT>(id),                 \
   &AfxThunks<ThisClass>::Void<&ThisClass::handler>},
#define ON_NOTIFY(code, id, handler)                                  \
  {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id),         \
   &AfxThunks<ThisClass>::Notify<&ThisClass::handler>},
// Any message, its parameters as they come.
#define ON_MESSAGE(message, handler) \
  {static_cast<UINT>(message), 0, 0, &AfxThunks<ThisClass>::Message<&ThisClass::handler>},
#define ON_WM_SYSCOMMAND() \
  {WM_SYSCOMMAND, 0, 0, &AfxThunks<ThisClass>::SysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &AfxThunks<ThisClass>::Void<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, &AfxThunks<ThisClass>::QueryDragIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_SETFOCUS() \
  {WM_SETFOCUS, 0, 0, &AfxThunks<ThisClass>::SetFocus<&ThisClass::OnSetFocus>},
#define ON_WM_SYSCOLORCHANGE() \
  {WM_SYSCOLORCHANGE, 0, 0, &AfxThunks<ThisClass>::Void<&ThisClass::OnSysColorChange>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, &AfxThunks<ThisClass>::Size<&ThisClass::OnSize>},
#define ON_WM_ENABLE() {WM_ENABLE, 0, 0, &AfxThunks<ThisClass>::Enable<&ThisClass::OnEnable>},
#define ON_WM_SETCURSOR() \
  {WM_SETCURSOR, 0, 0, &AfxThunks<ThisClass>::SetCursor<&ThisClass::OnSetCursor>},
