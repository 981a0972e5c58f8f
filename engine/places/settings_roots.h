// Where the chat clients keep their data, as their settings files and values say. What those
// name is text the user can write, so it is read and reached as the user (the caller holds a
// CUserRights of a per-user known folder) and from a drive's root with no link on the way, like
// the user's own known folders.
#pragma once

#include "engine/walk/item_handles.h"
#include "engine/places/settings_text.h"

// Reads an open settings file (opened with FILE_READ_DATA) into text (kSettingsTextSize units).
// False when it holds more than kSettingsFileLimit bytes, cannot be read or does not decode.
bool ReadSettingsFile(HANDLE file, wchar_t* text);

// ReadSettingsFile for the file subPath below a known folder (OpenKnownItem).
bool ReadKnownSettingsFile(int csidl, const wchar_t* subPath, wchar_t* text);

// ReadKnownSettingsFile for a settings file where every account can write (below a machine-wide
// known folder): used only where it is the user's own, SYSTEM's or Administrators' and no other
// account may change it (IsOpenSettingsFileTheUsers), for the user the thread acts for.
bool ReadSharedSettingsFile(int csidl, const wchar_t* subPath, wchar_t* text);

// A text value (REG_SZ) of the user's own HKCU, for the user the thread acts for, into text
// (MAX_PATH units). False when it is missing, of another type or too long.
bool ReadUserRegistryText(const wchar_t* key, const wchar_t* name, wchar_t* text);

// Opens the folder below (a sub-path beginning with a backslash) under a data root
// (ParseSettingsRoot's kind and text): the user's Documents as their known folder; a drive's
// root as Windows resolves it and the rest below it with no part a link, only while the thread
// acts as the user (IsActingAsUser). Null for kNoRoot and where the folder cannot be reached
// so.
HANDLE OpenBelowDataRoot(SettingsRoot kind, const wchar_t* root, const wchar_t* below);
