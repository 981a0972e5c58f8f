// Who may change a cleanup handler's server DLL. Spruce loads that DLL into its elevated
// process at every start: one that a standard user can replace, or whose folder they can add a
// DLL to, would run their code as administrator.
#pragma once

#include <windows.h>

// The parts of the way down to a server DLL, each with the changes that matter there.
enum ServerPathPart {
  // The DLL itself: writing it, deleting or renaming it, changing its rules or owner.
  kServerFile,
  // A folder from the system or Program Files folder down to the DLL's own, both included:
  // also adding files or folders to it and deleting or renaming what it holds.
  kServerFolder,
  // A folder above the system or Program Files folder: deleting or renaming what it holds (the
  // trusted folder itself), or changing its rules or owner. Users may add folders to a drive's
  // root, which changes nothing below the trusted folder.
  kAboveTrustedFolder,
};

// Whether access rules (a DACL) let the broad groups that take in every account (Everyone,
// Users, Authenticated Users, INTERACTIVE) make a change that matters for part
// (LetsAccountsHave).
bool LetsBroadGroupsChange(const ACL* dacl, ServerPathPart part);

// Whether the server DLL at path (a plain "X:\..." path, as HandlerServerPath gives it) may be
// loaded: it lies in the system folder or below a Program Files folder, is reached from that
// folder through handles by its exact names with no link on the way, and neither it nor a
// folder above it lets the broad groups change it (LetsBroadGroupsChange, on the rules read
// through each item's open handle).
bool IsAdministratorsOnlyServer(const wchar_t* path);
