// The short settings files and values in which chat clients note where their data lies. Their
// text is the user's own: any program the user runs can write it. These routines only decode and
// cut it; a folder it names is then reached like any of the user's places (settings_roots.h).
#pragma once

#include <windows.h>

// A settings file is read only up to this size. A longer one is not one of the small files
// these clients write, and is not used at all.
const DWORD kSettingsFileLimit = 4096;
// Room for the decoded text of a file within the limit, terminator included.
const size_t kSettingsTextSize = kSettingsFileLimit + 1;

// Decodes a settings file's bytes into text (kSettingsTextSize units, always terminated):
// UTF-16 LE after its byte order mark, UTF-8 with or without one, else the system code page.
// False for more than kSettingsFileLimit bytes, for UTF-16 BE, and for bytes that do not decode.
bool DecodeSettingsText(const BYTE* data, DWORD size, wchar_t* text);

// Ends text at its first CR, LF or NUL and drops the blanks and tabs before that; returns text.
wchar_t* FirstLine(wchar_t* text);

// Copies the value of key in [section] of an INI text into value (MAX_PATH units): names
// compared ignoring case, blanks around names and values dropped, the first match taken. False
// when there is none or it does not fit.
bool FindIniValue(const wchar_t* text, const wchar_t* section, const wchar_t* key,
                  wchar_t* value);

// What a settings line names as a client's data root.
enum SettingsRoot {
  kNoRoot,         // nothing usable: passed over
  kDocumentsRoot,  // "MyDocument:", the user's Documents
  kDriveRoot,      // a bare drive, "D:" or "D:\", that drive's root
  kFolderRoot,     // a plain absolute folder (IsWalkableFolder)
};

// Sorts a line (FirstLine) into the kinds above, rewriting it to the root's plain text: a drive
// becomes "D:", and a folder loses one trailing separator.
SettingsRoot ParseSettingsRoot(wchar_t* line);
