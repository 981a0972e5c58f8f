// Thin wrappers over the controls and GDI objects the program uses.
#pragma once

#include "framework/window.h"

#include <commctrl.h>

class CButton : public CWnd {};

// The list view in report mode. Its operations are plain messages to the control, so they may
// be used from any thread.
class CListCtrl : public CWnd {
 public:
  DWORD SetExtendedStyle(DWORD style) const {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
  }
  int InsertColumn(int column, const wchar_t* heading, int format, int width) const;
  int InsertItem(int item, const wchar_t* text) const;
  // An item with what mask names of text, state (under stateMask), image and data.
  int InsertItem(UINT mask, int item, const wchar_t* text, UINT state, UINT stateMask, int image,
                 LPARAM data) const;
  // The data an item was inserted with; 0 when there is no such item.
  DWORD_PTR GetItemData(int item) const;
  BOOL SetItemText(int item, int subItem, const wchar_t* text) const;
  // Copies the cell's text into buffer (length units, NUL-terminated); the text's length.
  int GetItemText(int item, int subItem, wchar_t* buffer, int length) const;
  // Check boxes are state images: 2 when checked, 1 when not.
  BOOL SetCheck(int item, BOOL check = TRUE) const;
  BOOL GetCheck(int item) const;
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  BOOL SetColumnWidth(int column, int width) const {
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)));
  }
  // The width of text in pixels in the list's font, without the cells' margins.
  int GetStringWidth(const wchar_t* text) const {
    return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
  }
};

// Owns an image list.
class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  HIMAGELIST m_hImageList = nullptr;

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  BOOL DeleteImageList();
  BOOL DrawIndirect(IMAGELISTDRAWPARAMS* params) const;
};

// Owns one GDI object.
class CGdiObject {
 public:
  CGdiObject() = default;
  ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;

  // Deletes the object held so far and takes this one.
  BOOL Attach(HGDIOBJ object);
  BOOL DeleteObject();
};

class CBitmap : public CGdiObject {
 public:
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  int GetBitmap(BITMAP* info) const {
    return ::GetObjectW(m_hObject, sizeof(BITMAP), info);
  }
};

class CFont : public CGdiObject {
 public:
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

// The device context of one WM_PAINT, begun and ended with the object.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  HDC m_hDC;
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};
