// Reaching the user's known folders from the profile folder.
#include "engine/places/user_places.h"

#include "engine/places/paths.h"
#include "engine/places/user_rights.h"

#include <sddl.h>
#include <shlobj.h>
#include <wchar.h>

namespace {

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A part that names its own folder or its parent, or nothing, leads elsewhere than it reads.
bool IsNamePart(const wchar_t* part, size_t length) {
  if (length == 0) return false;
  if (part[0] != L'.') return true;
  return !(length == 1 || (length == 2 && part[1] == L'.'));
}

bool ReadProfileImagePath(const wchar_t* sid, wchar_t* profile) {
  wchar_t key[MAX_PATH] = {};
  if (!AppendPath(key, kProfileList) || !AppendPath(key, sid)) return false;
  HKEY list = nullptr;
  // The 64-bit view, which the 32-bit build would otherwise not read.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &list) !=
      ERROR_SUCCESS)
    return false;
  wchar_t stored[MAX_PATH] = {};
  DWORD type = 0;
  DWORD size = sizeof stored - sizeof(wchar_t);  // the last unit stays a terminator
  LONG result = RegQueryValueExW(list, L"ProfileImagePath", nullptr, &type,
                                 reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(list);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return ExpandSystemVariables(stored, windows, profile);
}

// The user's known folder as Windows reports it for token, without a trailing separator.
bool LookUpUserFolder(int csidl, HANDLE token, wchar_t* path) {
  wmemset(path, L'\0', MAX_PATH);
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, token, SHGFP_TYPE_CURRENT,
                              path)))
    return false;
  size_t length = wcslen(path);
  if (length > 3 && path[length - 1] == L'\\') path[length - 1] = L'\0';
  return path[0] != L'\0';
}

}  // namespace

bool GetProfileFolder(HANDLE token, wchar_t* profile) {
  TokenUserBuffer user;
  wchar_t* sid = nullptr;
  if (!ReadTokenUser(token, &user) || !ConvertSidToStringSidW(user.Sid(), &sid)) return false;
  bool found = ReadProfileImagePath(sid, profile);
  LocalFree(sid);
  size_t length = found ? wcslen(profile) : 0;
  while (length > 3 && IsSeparator(profile[length - 1])) profile[--length] = L'\0';
  return length > 0;
}

bool ExpandSystemVariables(const wchar_t* text, const wchar_t* windows, wchar_t* expanded) {
  wmemset(expanded, L'\0', MAX_PATH);
  if (!IsDriveLetter(windows[0]) || windows[1] != L':') return false;
  const wchar_t drive[3] = {windows[0], L':', L'\0'};
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } kVariables[] = {{L"%SystemDrive%", drive}, {L"%SystemRoot%", windows}, {L"%windir%", windows}};
  while (*text) {
    const wchar_t* value = nullptr;
    size_t nameLength = 0;
    if (*text == L'%') {
      for (const auto& variable : kVariables) {
        nameLength = wcslen(variable.name);
        if (_wcsnicmp(text, variable.name, nameLength) == 0) {
          value = variable.value;
          break;
        }
      }
      // Any other variable would come from an environment the user can set.
      if (!value) return false;
    }
    wchar_t single[2] = {*text, L'\0'};
    if (!AppendPath(expanded, value ? value : single)) return false;
    text += value ? nameLength : 1;
  }
  return true;
}

HANDLE OpenInsideProfile(const wchar_t* profile, const wchar_t* below, ItemKind kind,
                         ACCESS_MASK extraAccess) {
  HANDLE start = OpenTrustedFolder(profile, 0);
  if (!start) return nullptr;
  HANDLE item = OpenBelow(start, below, kind, extraAccess);
  const DWORD error = GetLastError();  // why the item could not be opened, for the caller
  CloseHandle(start);
  SetLastError(error);
  return item;
}

const wchar_t* PartBelowProfile(const wchar_t* path, const wchar_t* profile) {
  const size_t length = wcslen(profile);
  if (length == 0 || wcslen(path) <= length ||
      CompareStringOrdinal(path, static_cast<int>(length), profile, static_cast<int>(length),
                           TRUE) != CSTR_EQUAL ||
      !IsSeparator(path[length]))
    return nullptr;
  const wchar_t* part = path + length + 1;
  for (;;) {
    const wchar_t* end = part;
    while (*end && !IsSeparator(*end)) ++end;
    if (!IsNamePart(part, end - part)) return nullptr;
    if (!*end) return path + length;
    part = end + 1;
  }
}

HANDLE OpenUserKnownItem(int csidl, const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess,
                         wchar_t* path) {
  SetLastError(ERROR_PATH_NOT_FOUND);
  wchar_t profile[MAX_PATH];
  HANDLE token = OpenActingUserToken();
  if (!token) return nullptr;
  bool found = GetProfileFolder(token, profile) && LookUpUserFolder(csidl, token, path);
  CloseHandle(token);
  if (!found) return nullptr;
  // The known folder is the user's setting; subPath, the program's own, is appended after.
  const wchar_t* below = PartBelowProfile(path, profile);
  const bool moved = !below;
  if (!AppendPath(path, subPath)) return nullptr;
  if (!moved) return OpenInsideProfile(profile, below, kind, extraAccess);
  // Users move Documents on purpose, to another drive as a rule; only the user's own rights
  // may reach it there, where nothing but the user's settings says what it is.
  if (csidl == CSIDL_PERSONAL && IsActingAsUser()) return OpenBelowRoot(path, kind, extraAccess);
  return nullptr;
}

HANDLE OpenBelowUserProfile(const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess) {
  SetLastError(ERROR_PATH_NOT_FOUND);
  wchar_t profile[MAX_PATH];
  HANDLE token = OpenActingUserToken();
  if (!token) return nullptr;
  const bool found = GetProfileFolder(token, profile);
  CloseHandle(token);
  return found ? OpenInsideProfile(profile, subPath, kind, extraAccess) : nullptr;
}
