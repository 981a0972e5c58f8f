// Whose rights the per-user targets run with: the desktop shell's user's.
#include "engine/places/user_rights.h"

#include <shlobj.h>

const ShellTokenCalls kWindowsShellTokenCalls = {
    ::GetShellWindow, ::GetWindowThreadProcessId, ::OpenProcess,
    ::OpenProcessToken, ::DuplicateTokenEx, ::CloseHandle,
    ::OpenThreadToken,  ::SetThreadToken,
};

HANDLE OpenShellUserToken(const ShellTokenCalls& calls) {
  HWND shell = calls.shellWindow();
  DWORD processId = 0;
  if (!shell || !calls.windowProcess(shell, &processId) || processId == 0) return nullptr;
  HANDLE process = calls.openProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return nullptr;
  HANDLE primary = nullptr;
  HANDLE token = nullptr;
  if (calls.openProcessToken(process, TOKEN_DUPLICATE | TOKEN_QUERY, &primary)) {
    // Only a token made for impersonation is ever used; the shell's own is never handed out.
    if (!calls.duplicateToken(primary, TOKEN_IMPERSONATE | TOKEN_QUERY | TOKEN_DUPLICATE,
                              nullptr, SecurityImpersonation, TokenImpersonation, &token))
      token = nullptr;
    calls.close(primary);
  }
  calls.close(process);
  return token;
}

bool IsUserKnownFolder(int csidl) {
  switch (csidl) {
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
    case CSIDL_INTERNET_CACHE:
    case CSIDL_PERSONAL:
    case CSIDL_MYPICTURES:
    case CSIDL_MYMUSIC:
    case CSIDL_MYVIDEO:
    case CSIDL_DESKTOPDIRECTORY:
      return true;
    default:
      return false;
  }
}

namespace {

bool HoldsThreadToken(const ShellTokenCalls& calls) {
  HANDLE token = nullptr;
  if (!calls.openThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return false;
  calls.close(token);
  return true;
}

}  // namespace

UserActing StartActingAsShellUser(const ShellTokenCalls& calls) {
  if (HoldsThreadToken(calls)) return kAlreadyActing;
  HANDLE token = OpenShellUserToken(calls);
  if (!token) return kNotActing;
  const bool set = calls.setThreadToken(nullptr, token) != FALSE;
  calls.close(token);
  return set ? kStartedActing : kNotActing;
}

bool IsActingAsUser() { return HoldsThreadToken(kWindowsShellTokenCalls); }

CUserRights::CUserRights() : m_acting(StartActingAsShellUser(kWindowsShellTokenCalls)) {}

CUserRights::CUserRights(int csidl)
    : m_acting(IsUserKnownFolder(csidl) ? StartActingAsShellUser(kWindowsShellTokenCalls)
                                        : kNotActing) {}

CUserRights::~CUserRights() {
  if (m_acting == kStartedActing) SetThreadToken(nullptr, nullptr);
}

namespace {

const DWORD kUserTokenAccess = TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE;

}  // namespace

bool ReadTokenUser(HANDLE token, TokenUserBuffer* user) {
  DWORD used = 0;
  return GetTokenInformation(token, TokenUser, user->bytes, sizeof user->bytes, &used) != FALSE;
}

HANDLE OpenActingUserToken() {
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), kUserTokenAccess, TRUE, &token)) return token;
  if (OpenProcessToken(GetCurrentProcess(), kUserTokenAccess, &token)) return token;
  return nullptr;
}

bool IsShellUserProcessUser() {
  HANDLE shell = OpenShellUserToken(kWindowsShellTokenCalls);
  if (!shell) return false;
  HANDLE own = nullptr;
  TokenUserBuffer shellUser, ownUser;
  // Where either user cannot be read, they do not count as one.
  bool same = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
              ReadTokenUser(shell, &shellUser) && ReadTokenUser(own, &ownUser) &&
              EqualSid(shellUser.Sid(), ownUser.Sid());
  if (own) CloseHandle(own);
  CloseHandle(shell);
  return same;
}
