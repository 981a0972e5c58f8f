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
  decltype(&::OpenThreadToken) openThreadToken;
  decltype(&::SetThreadToken) setThreadToken;
};

extern const ShellTokenCalls kWindowsShellTokenCalls;

// An impersonation token of the user who runs the desktop shell (the process of the shell
// window), to be closed by the caller; null without a shell window or where its token cannot be
// opened or duplicated for impersonation: the process's own user is then the one cleaned for.
HANDLE OpenShellUserToken(const ShellTokenCalls& calls);

// Whether a known folder (CSIDL number) is one of the user's own places rather than the
// machine's: the user's application data, Internet cache and shell folders.
bool IsUserKnownFolder(int csidl);

// How a per-user step came to act as the user it is for.
enum UserActing {
  kNotActing,      // no shell token to be had, or the thread refused it: nothing outside the
                   // profile may be touched
  kAlreadyActing,  // the thread acts for the user already (an enclosing step, a walk's worker)
  kStartedActing,  // the thread now acts as the shell's user, until told to stop
};

// Makes the calling thread act as the desktop shell's user: a thread that holds a token already
// acts; otherwise the shell's token, duplicated for impersonation (OpenShellUserToken), is set
// on the thread. Every refusal on the way leaves the thread as it was and says kNotActing.
UserActing StartActingAsShellUser(const ShellTokenCalls& calls);

// Whether the calling thread acts for the user: it holds the token a CUserRights set (its own
// or its caller's, on a walk's worker). Only then may a per-user step go outside the user's
// profile, where the user's own settings alone say what lies there.
bool IsActingAsUser();

// For its life, the calling thread acts as the desktop shell's user: for every step
// (CUserRights()) or for one that reaches one of the user's own places (CUserRights(csidl));
// otherwise nothing changes. Acts() says whether it does: without the user's rights a step
// touches nothing outside the user's profile (IsActingAsUser).
class CUserRights {
 public:
  CUserRights();
  explicit CUserRights(int csidl);
  ~CUserRights();
  CUserRights(const CUserRights&) = delete;
  CUserRights& operator=(const CUserRights&) = delete;
  bool Acts() const { return m_acting != kNotActing; }

 private:
  UserActing m_acting;
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

// Whether the desktop shell's user is the account this process runs as; false where there is no
// shell user to be had: nobody is then known to be at the keyboard.
bool IsShellUserProcessUser();
