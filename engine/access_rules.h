// Who may change a file, from its owner and access rules. Wine reports every file as the
// user's own with full access, so these decisions take the rules as input and are tested with
// rules made up for them.
#pragma once

#include <windows.h>

// The rights by which an account could change what a file says, or take it over.
const ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER |
                                  DELETE | GENERIC_WRITE | GENERIC_ALL;

// Whether a settings file that lies where every account can write (Public Documents, say)
// speaks for user: its owner is user, SYSTEM or Administrators, and its rules let no other
// account change it. A missing (null) rule list lets everyone change it.
bool IsSettingsFileTheUsers(PSID owner, const ACL* dacl, PSID user);

// Whether the file or folder open as item speaks for user as above, read on the handle.
bool IsOpenSettingsFileTheUsers(HANDLE item, PSID user);
