// Where the user's own places are: reached from the user's profile folder, which only
// administrators can name, never from what the user's own settings say alone.
#pragma once

#include "engine/walk/item_handles.h"

// The profile folder of a token's user as
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList\<SID>\ProfileImagePath names it,
// into profile (MAX_PATH units, no trailing separator); false where there is none.
bool GetProfileFolder(HANDLE token, wchar_t* profile);

// Expands text (a REG_EXPAND_SZ profile path) into expanded (MAX_PATH units) with the system's
// own values, taken from the Windows folder: %SystemDrive%, %SystemRoot% and %windir%. False for
// any other variable (the process's environment holds the user's own) and where it does not fit.
bool ExpandSystemVariables(const wchar_t* text, const wchar_t* windows, wchar_t* expanded);

// The part of path below profile, starting with its separator, where path lies inside profile
// and every part below it is a name (not empty, "." or ".."); null otherwise, and for the
// profile folder itself.
const wchar_t* PartBelowProfile(const wchar_t* path, const wchar_t* profile);

// Opens below (PartBelowProfile's part) inside profile: the profile folder alone is taken as
// Windows resolves it, and below it no part may be a link (OpenBelow, whose last error stays).
HANDLE OpenInsideProfile(const wchar_t* profile, const wchar_t* below, ItemKind kind,
                         ACCESS_MASK extraAccess);

// Opens subPath below one of the user's known folders for the user the calling thread acts for.
// A known folder inside the profile is reached from the profile folder, part by part, no part a
// link, the known folder itself included; Documents elsewhere is reached from its drive's root
// the same way, but only while the thread acts as the user (IsActingAsUser); any other known
// folder outside the profile is not reached at all. The path text
// goes into path (MAX_PATH units). Null where the item cannot be reached so.
HANDLE OpenUserKnownItem(int csidl, const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess,
                         wchar_t* path);

// Opens subPath (beginning with a backslash) below the profile folder of the user the calling
// thread acts for, part by part, no part a link: for the places of the profile that no known
// folder names, such as AppData\LocalLow. Null where the item cannot be reached so.
HANDLE OpenBelowUserProfile(const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess);
