// Acting with the signed-in user's own rights. Spruce runs elevated, but the user's own places
// and the settings that name them (HKCU, other programs' settings files) are written by
// unelevated code, which the user's malware can be. Everything a per-user target does runs as
// the user at the keyboard, so that Windows' own access checks refuse whatever that user could
// not delete themselves.
#pragma once

#include <windows.h>

// The calls on the way to the desktop shell's token. The program uses Windows' own; tests put
// others in their place.
struct ShellTokenCalls {
  decltype(&::GetShellWindow) shellWindow;
  decltype(&::GetWindowThreadProcessId) windowProcess;
  decltype(&::OpenProcess) openProcess;
  decltype(&::OpenProcessToken) openProcessToken;
  decltype(&::DuplicateTokenEx) duplicateToken;
  decltype(&::CloseHandle) close;
};

extern const ShellTokenCalls kWindowsShellTokenCalls;

// An impersonation token of the user who runs the desktop shell (the process of the shell
// window), to be closed by the caller; null without a shell window or where its token cannot be
// opened or duplicated for impersonation: the process's own user is then the one cleaned for.
HANDLE OpenShellUserToken(const ShellTokenCalls& calls);

// Whether a known folder (CSIDL number) is one of the user's own places rather than the
// machine's: the user's application data, Internet cache and shell folders.
bool IsUserKnownFolder(int csidl);

// For its life, the calling thread acts as the desktop shell's user where csidl names one of
// the user's own places and there is such a user; otherwise, and on a thread that already acts
// for a user, nothing changes.
class CUserRights {
 public:
  explicit CUserRights(int csidl);
  ~CUserRights();
  CUserRights(const CUserRights&) = delete;
  CUserRights& operator=(const CUserRights&) = delete;

 private:
  bool m_bActing;
};

// The user a token belongs to, into buffer (a TOKEN_USER and its SID); false when it cannot be
// read.
struct TokenUserBuffer {
  alignas(8) BYTE bytes[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  PSID Sid() { return reinterpret_cast<TOKEN_USER*>(bytes)->User.Sid; }
};
bool ReadTokenUser(HANDLE token, TokenUserBuffer* user);

// The token of the user the calling thread acts for (its impersonation token, else the
// process's own), with query and impersonation rights; null when it cannot be opened.
HANDLE OpenActingUserToken();

// Whether the desktop shell's user is the account this process runs as; true where there is no
// shell user to be had, since the process's own user is then the one cleaned for.
bool IsShellUserProcessUser();
