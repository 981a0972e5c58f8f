// The system folder as this build must name it, and the system commands found there.
#pragma once

#include <windows.h>

// The system folder under which a program of this build reaches System32's own files:
// systemFolder, or, for a 32-bit program under WOW64 (underWow64), windowsFolder followed by
// "\Sysnative", since Windows redirects that program's System32 paths to SysWOW64. Fills out
// (MAX_PATH units); false when the result would not fit.
bool NativeSystemFolder(BOOL underWow64, const wchar_t* windowsFolder,
                        const wchar_t* systemFolder, wchar_t* out);

// Whether this is a 32-bit program on 64-bit Windows; the 64-bit build never is.
BOOL IsUnderWow64();

// The program a command line starts, looked for in systemFolder only: the command line's
// first word, which must be a bare file name (no folder, drive or quotes), with ".exe" added
// when it has no extension. Fills program (MAX_PATH units); false for any other first word
// or a path that would not fit.
bool SystemCommandPath(const wchar_t* commandLine, const wchar_t* systemFolder,
                       wchar_t* program);
