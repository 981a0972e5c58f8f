// Opening the project's web page. Spruce runs elevated: a browser it started itself would run
// as administrator, and the https handler it would look up sits in per-user registry keys that
// unelevated programs can change. So the page is opened by the desktop's shell, which runs as
// the signed-in user, or not at all.
#pragma once

#include <windows.h>

// Asks the desktop's shell to open url; S_OK when the shell took it. Fails when no shell that
// offers its desktop (Explorer) is running.
HRESULT OpenThroughDesktopShell(const wchar_t* url);

// Opens url with open, the desktop shell's route; where that fails, shows url in a message box
// owned by owner, so that the user can open it by hand. Never starts a browser itself.
typedef HRESULT (*OpenCall)(const wchar_t* url);
void OpenHomePage(HWND owner, const wchar_t* url, OpenCall open);
