// The rows for the caches of today's browsers and chat clients and for other leftovers of a
// Windows 10/11 PC. The list shows them after its written rows, in this table's order, each only
// where present() holds. Each target empties exactly the named cache folders, which stay; nothing
// beside them is touched. The user's places are reached from the profile folder as the user
// (CUserRights); roots named by the clients' settings, from their drive's root with no link on
// the way (settings_roots.h).
#pragma once

#include "engine/engine.h"

struct AppCacheRow {
  const wchar_t* label;  // column 0 of the list
  bool checkedAtStart;
  // Image names of the programs that must not run while the row is cleaned (ending in a null;
  // null for none). While one runs the row is sized but not cleaned.
  const wchar_t* const* programs;
  // Whether the application's data exists for the user cleaned for; the row is shown only then.
  bool (*present)();
  // Sizes (measureOnly 1) or empties (0) the row's cache folders: a target routine.
  ByteCount (*target)(BOOL measureOnly);
};

extern const AppCacheRow kAppCacheRows[];
extern const int kAppCacheRowCount;

// Whether imageName, a process's executable name (a path allowed), is one of programs (ending in
// a null; null for none), letter case ignored.
bool IsListedProgram(const wchar_t* const* programs, const wchar_t* imageName);

// Whether any process of one of programs runs on this machine, in any session; true where the
// processes cannot be listed.
bool IsAnyProgramRunning(const wchar_t* const* programs);
