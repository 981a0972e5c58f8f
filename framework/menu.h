// CMenu: names a menu the system owns (such as a window's system menu); never destroys it.
#pragma once

#include <windows.h>

class CMenu {
 public:
  HMENU m_hMenu = nullptr;

  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const wchar_t* text = nullptr) {
    return ::AppendMenuW(m_hMenu, flags, id, text);
  }
};
