// Where the program's DLLs may come from.
#pragma once

// Limits the DLL search of this process to the system folder: neither the program's own
// folder nor the current folder is searched by name any more. The program runs elevated and
// is often started from a downloads folder, where a planted DLL could lie; so this is the
// first thing its entry point does. SetDllDirectoryW(L"") at least drops the current folder
// where the system lacks SetDefaultDllDirectories (Windows 7 without its update).
void RestrictDllSearch();
