// Reading who may change a file from its owner and access rules.
#include "engine/access_rules.h"

#include <aclapi.h>

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

bool IsUserOrAdministrator(PSID sid, PSID user) {
  return EqualSid(sid, user) || IsWellKnown(sid, WinLocalSystemSid) ||
         IsWellKnown(sid, WinBuiltinAdministratorsSid);
}

}  // namespace

bool IsSettingsFileTheUsers(PSID owner, const ACL* dacl, PSID user) {
  if (!owner || !dacl || !IsValidSid(owner) || !IsUserOrAdministrator(owner, user)) return false;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!GetAce(const_cast<ACL*>(dacl), index, &entry)) return false;
    const ACE_HEADER& header = *static_cast<const ACE_HEADER*>(entry);
    // Rules only for what is made inside it do not apply to the file; denials only take away.
    if (header.AceFlags & INHERIT_ONLY_ACE) continue;
    if (header.AceType == ACCESS_DENIED_ACE_TYPE) continue;
    // Any other kind of rule (objects, callbacks) is not one this check can read.
    if (header.AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
    const ACCESS_ALLOWED_ACE& allowed = *static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed.SidStart);
    if ((allowed.Mask & kChangeRights) && !IsUserOrAdministrator(sid, user)) return false;
  }
  return true;
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
