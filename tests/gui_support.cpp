#include "gui_support.h"

#include <commctrl.h>

#include <utility>

namespace {

std::function<void()> g_pendingStep;

void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::function<void()> step = std::move(g_pendingStep);
  g_pendingStep = nullptr;
  if (step) step();
}

}  // namespace

void AfterModalStarts(std::function<void()> step) {
  g_pendingStep = std::move(step);
  // A thread timer is dispatched by whatever message loop runs next on this thread.
  SetTimer(nullptr, 0, 10, &RunPendingStep);
}

void CancelPendingStep() { g_pendingStep = nullptr; }

INT_PTR RunModalWith(CDialog& dialog, std::function<void()> step) {
  AfterModalStarts(std::move(step));
  return dialog.DoModal();
}

void ClickControl(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void DrawButtonInto(HWND dialog, int id, HDC dc) {
  DRAWITEMSTRUCT draw = {};
  draw.CtlType = ODT_BUTTON;
  draw.CtlID = id;
  draw.itemAction = ODA_DRAWENTIRE;
  draw.hwndItem = GetDlgItem(dialog, id);
  draw.hDC = dc;
  GetClientRect(draw.hwndItem, &draw.rcItem);
  SendMessageW(dialog, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&draw));
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limitMs) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
  return true;
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[64] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}
