// Reading the access rules of a server DLL and of every folder above it, through handles.
#include "engine/handlers/server_access.h"

#include "engine/places/access_rules.h"
#include "engine/engine.h"
#include "engine/walk/item_handles.h"
#include "engine/places/paths.h"

#include <aclapi.h>
#include <shlobj.h>
#include <wchar.h>

namespace {

const ACCESS_MASK kChangeRules = WRITE_DAC | WRITE_OWNER;
const ACCESS_MASK kChanges[] = {
    /* kServerFile */ FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | kChangeRules,
    /* kServerFolder */ FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
        kChangeRules,
    /* kAboveTrustedFolder */ FILE_DELETE_CHILD | DELETE | kChangeRules,
};

// The folders only administrators write by default: the system folders (the 32-bit one on
// 64-bit Windows too) and the Program Files folders.
const int kTrustedFolders[] = {CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES,
                               CSIDL_PROGRAM_FILESX86};

// The groups that take in every account, or every one at the keyboard.
const WELL_KNOWN_SID_TYPE kBroadGroups[] = {WinWorldSid, WinBuiltinUsersSid,
                                            WinAuthenticatedUserSid, WinInteractiveSid};

bool IsBroadGroup(PSID sid, PSID) {
  for (WELL_KNOWN_SID_TYPE group : kBroadGroups)
    if (IsWellKnownSid(sid, group)) return true;
  return false;
}

// LetsBroadGroupsChange on the rules read through an open item; true when they cannot be read.
bool LetsBroadGroupsChangeItem(HANDLE item, ServerPathPart part) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(item, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                      nullptr, &descriptor) != ERROR_SUCCESS)
    return true;
  const bool lets = LetsBroadGroupsChange(dacl, part);
  LocalFree(descriptor);
  return lets;
}

// Closes item and says whether its rules let the broad groups change it; a null item (it could
// not be opened) counts as changeable.
bool CloseLettingChange(HANDLE item, ServerPathPart part) {
  if (!item) return true;
  const bool lets = LetsBroadGroupsChangeItem(item, part);
  CloseHandle(item);
  return lets;
}

// The folders above trusted ("C:\", then "C:\Windows" for "C:\Windows\System32"), opened as
// Windows resolves them: they come from the system's own answer, not from the registration.
bool IsAnyFolderAboveChangeable(const wchar_t* trusted) {
  if (!IsDriveLetter(trusted[0]) || trusted[1] != L':' || trusted[2] != L'\\') return true;
  wchar_t above[MAX_PATH];
  for (size_t at = 2; trusted[at]; ++at) {
    if (trusted[at] != L'\\') continue;
    const size_t length = at == 2 ? 3 : at;  // the root keeps its backslash
    wmemcpy(above, trusted, length);
    above[length] = L'\0';
    if (CloseLettingChange(OpenTrustedFolder(above, READ_CONTROL), kAboveTrustedFolder))
      return true;
  }
  return false;
}

// Whether rest (names separated by single backslashes) below the trusted folder leads to a
// DLL that only administrators can change, the trusted folder and those above it included.
bool IsAdministratorsOnlyBelow(const wchar_t* trusted, const wchar_t* rest) {
  if (IsAnyFolderAboveChangeable(trusted)) return false;
  HANDLE parent = OpenTrustedFolder(trusted, READ_CONTROL);
  if (!parent || LetsBroadGroupsChangeItem(parent, kServerFolder)) {
    if (parent) CloseHandle(parent);
    return false;
  }
  wchar_t name[MAX_PATH];
  for (;;) {
    const size_t length = wcscspn(rest, L"\\");
    const bool last = rest[length] == L'\0';
    wmemcpy(name, rest, length);
    name[length] = L'\0';
    // One name at a time, so that each folder's own rules are read on its own handle.
    HANDLE item =
        length ? OpenBelow(parent, name, last ? kFileItem : kFolderItem, READ_CONTROL) : nullptr;
    CloseHandle(parent);
    if (last) return !CloseLettingChange(item, kServerFile);
    if (!item || LetsBroadGroupsChangeItem(item, kServerFolder)) {
      if (item) CloseHandle(item);
      return false;
    }
    parent = item;
    rest += length + 1;
  }
}

}  // namespace

bool LetsBroadGroupsChange(const ACL* dacl, ServerPathPart part) {
  return LetsAccountsHave(dacl, kChanges[part], IsBroadGroup, nullptr);
}

bool IsAdministratorsOnlyServer(const wchar_t* path) {
  // Plain names only ("..", a trailing blank and the like name other items), and no "/",
  // which OpenBelow would take for a separator and so pass names unchecked.
  if (!IsWalkableFolder(path) || wcschr(path, L'/')) return false;
  for (int csidl : kTrustedFolders) {
    wchar_t trusted[MAX_PATH] = {};
    if (GetSpecialFolder(csidl, trusted) != 0 || !*trusted) continue;
    const size_t length = wcslen(trusted);
    if (_wcsnicmp(path, trusted, length) == 0 && path[length] == L'\\' && path[length + 1])
      return IsAdministratorsOnlyBelow(trusted, path + length + 1);
  }
  return false;
}
