#include "devtools/remote_list.h"

#include "res/version.h"

#include <commctrl.h>
#include <wchar.h>

namespace {

const int kTextUnits = 256;
const wchar_t kCaptionStart[] = L"Spruce " SPRUCE_VERSION_TEXT L"    ";

struct FindRequest {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter) {
  FindRequest* request = reinterpret_cast<FindRequest*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  if (owner == request->processId && IsWindowVisible(window) &&
      wcsncmp(caption, kCaptionStart, wcslen(kCaptionStart)) == 0) {
    request->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD limitMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(50))
    if (GetTickCount() - start > limitMs) return false;
  return true;
}

bool StartProgram(const std::wstring& program, const wchar_t* folder, PROCESS_INFORMATION* started) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder,
                        &startup, started) != FALSE;
}

HWND WaitForSpruceWindow(DWORD processId, DWORD limitMs) {
  FindRequest request = {processId, nullptr};
  WaitFor([&] {
    EnumWindows(&CheckWindow, reinterpret_cast<LPARAM>(&request));
    return request.found != nullptr;
  }, limitMs);
  return request.found;
}

bool CloseAndWait(HWND window, HANDLE process, DWORD limitMs, DWORD* exitCode) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  bool ended = WaitForSingleObject(process, limitMs) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(process, 99);
    WaitForSingleObject(process, INFINITE);
  }
  GetExitCodeProcess(process, exitCode);
  return ended;
}

CRemoteList::CRemoteList(HWND list, HANDLE process)
    : m_list(list),
      m_process(process),
      m_remote(VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kTextUnits * sizeof(wchar_t),
                              MEM_COMMIT, PAGE_READWRITE)) {}

CRemoteList::~CRemoteList() {
  if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
}

int CRemoteList::Count() const {
  return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring CRemoteList::Text(int row, int column) const {
  if (!m_remote) return std::wstring();
  wchar_t* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(m_remote) + sizeof(LVITEMW));
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = remoteText;
  item.cchTextMax = kTextUnits;
  if (!WriteProcessMemory(m_process, m_remote, &item, sizeof item, nullptr)) return std::wstring();
  SendMessageW(m_list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(m_remote));
  wchar_t text[kTextUnits] = {};
  ReadProcessMemory(m_process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr);
  return text;
}

bool CRemoteList::Checked(int row) const {
  UINT state = static_cast<UINT>(SendMessageW(m_list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool SurveyDone(const CRemoteList& list) {
  if (list.Count() != 18) return false;
  for (int row = 0; row < 18; ++row) {
    if (row != 13 && list.Text(row, 1) == L"counting...") return false;
  }
  return true;
}
