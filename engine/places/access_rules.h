// Who may change a file, from its owner and access rules. Wine reports every file as the
// user's own with full access, so these decisions take the rules as input and are tested with
// rules made up for them.
#pragma once

#include <windows.h>

// The rights by which an account could change what a file says, or take it over.
const ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER |
                                  DELETE;

// Whether access rules (a DACL; null: none, so everyone may do anything) let an account that
// counts(sid, context) picks out have one of rights. The entries are read in order, as Windows
// reads them; generic rights count as the file rights they stand for; an inherit-only entry does
// not apply to the item. A deny entry takes rights away only where it names Everyone: one for
// a narrower group still leaves the accounts outside it. A conditional entry counts as granted
// (its condition may hold), and entries of kinds that files do not carry as letting anyone.
bool LetsAccountsHave(const ACL* dacl, ACCESS_MASK rights, bool (*counts)(PSID sid, PSID context),
                      PSID context);

// Whether a settings file that lies where every account can write (Public Documents, say)
// speaks for user: its owner is user, SYSTEM or Administrators, and its rules let no other
// account change it. A missing (null) rule list lets everyone change it.
bool IsSettingsFileTheUsers(PSID owner, const ACL* dacl, PSID user);

// Whether the file or folder open as item speaks for user as above, read on the handle.
bool IsOpenSettingsFileTheUsers(HANDLE item, PSID user);
