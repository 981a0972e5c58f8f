// Reading who may change a file from its owner and access rules.
#include "engine/places/access_rules.h"

#include <aclapi.h>

namespace {

GENERIC_MAPPING kFileRights = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};

// Any account but the user, SYSTEM and Administrators.
bool IsSomeoneElse(PSID sid, PSID user) {
  return !EqualSid(sid, user) && !IsWellKnownSid(sid, WinLocalSystemSid) &&
         !IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

}  // namespace

bool LetsAccountsHave(const ACL* dacl, ACCESS_MASK rights, bool (*counts)(PSID sid, PSID context),
                      PSID context) {
  if (!dacl) return true;
  ACCESS_MASK deniedToAll = 0;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(const_cast<ACL*>(dacl), index, reinterpret_cast<void**>(&header))) return true;
    const BYTE type = header->AceType;
    // Plain, denying and conditional entries share one layout; files carry no other kind.
    if (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_DENIED_ACE_TYPE &&
        type != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
      return true;
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    const ACCESS_ALLOWED_ACE* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    PSID sid = const_cast<DWORD*>(&entry->SidStart);
    ACCESS_MASK granted = entry->Mask;
    MapGenericMask(&granted, &kFileRights);
    if (type == ACCESS_DENIED_ACE_TYPE) {
      if (IsWellKnownSid(sid, WinWorldSid)) deniedToAll |= granted;
    } else if ((granted & rights & ~deniedToAll) && counts(sid, context)) {
      return true;
    }
  }
  return false;
}

bool IsSettingsFileTheUsers(PSID owner, const ACL* dacl, PSID user) {
  return owner && IsValidSid(owner) && !IsSomeoneElse(owner, user) &&
         !LetsAccountsHave(dacl, kChangeRights, IsSomeoneElse, user);
}

bool IsOpenSettingsFileTheUsers(HANDLE item, PSID user) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(item, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const bool theUsers = IsSettingsFileTheUsers(owner, dacl, user);
  LocalFree(descriptor);
  return theUsers;
}
