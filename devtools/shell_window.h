// A stand-in for the desktop shell's window, which Wine has only where a program sets one.
// Spruce cleans for the user of the shell window's process, and without one it touches nothing
// outside the profile; the tests, the sample run and its pictures give it one of their own.
#pragma once

#include <windows.h>

// Makes a hidden window of the calling thread the desktop's shell window where the desktop has
// none; returns it, to be destroyed by the caller, or null where there was one already or it
// could not be made.
HWND MakeShellWindow();
