// Reading the clients' settings and opening the data roots they name.
#include "engine/places/settings_roots.h"

#include "engine/places/access_rules.h"
#include "engine/places/paths.h"
#include "engine/places/user_rights.h"

#include <shlobj.h>

bool ReadSettingsFile(HANDLE file, wchar_t* text) {
  text[0] = L'\0';
  // One byte more than the limit tells an overlong file from one of the limit's size.
  BYTE data[kSettingsFileLimit + 1];
  DWORD size = 0;
  while (size < sizeof data) {
    DWORD read = 0;
    if (!ReadFile(file, data + size, sizeof data - size, &read, nullptr)) return false;
    if (read == 0) break;
    size += read;
  }
  return size <= kSettingsFileLimit && DecodeSettingsText(data, size, text);
}

bool ReadKnownSettingsFile(int csidl, const wchar_t* subPath, wchar_t* text) {
  text[0] = L'\0';
  HANDLE file = OpenKnownItem(csidl, subPath, kFileItem, FILE_READ_DATA);
  if (!file) return false;
  bool read = ReadSettingsFile(file, text);
  CloseHandle(file);
  return read;
}

bool ReadSharedSettingsFile(int csidl, const wchar_t* subPath, wchar_t* text) {
  text[0] = L'\0';
  HANDLE file = OpenKnownItem(csidl, subPath, kFileItem, FILE_READ_DATA | READ_CONTROL);
  if (!file) return false;
  HANDLE token = OpenActingUserToken();
  TokenUserBuffer user;
  // The rules are read on the handle that is then read from: a file swapped in between is not.
  bool read = token && ReadTokenUser(token, &user) && IsOpenSettingsFileTheUsers(file, user.Sid()) &&
              ReadSettingsFile(file, text);
  if (token) CloseHandle(token);
  CloseHandle(file);
  return read;
}

bool ReadUserRegistryText(const wchar_t* key, const wchar_t* name, wchar_t* text) {
  text[0] = L'\0';
  // HKEY_CURRENT_USER stays the process's own user's; this one follows the thread's.
  HKEY user = nullptr;
  if (RegOpenCurrentUser(KEY_QUERY_VALUE, &user) != ERROR_SUCCESS) return false;
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExW(user, key, 0, KEY_QUERY_VALUE, &opened);
  RegCloseKey(user);
  if (result != ERROR_SUCCESS) return false;
  wchar_t stored[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = sizeof stored - sizeof(wchar_t);  // the last unit stays a terminator
  result = RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(opened);
  if (result != ERROR_SUCCESS || type != REG_SZ || wcslen(stored) >= MAX_PATH) return false;
  wcscpy(text, stored);
  return true;
}

HANDLE OpenBelowDataRoot(SettingsRoot kind, const wchar_t* root, const wchar_t* below) {
  if (kind == kNoRoot) return nullptr;
  if (kind == kDocumentsRoot) return OpenKnownItem(CSIDL_PERSONAL, below, kFolderItem, 0);
  // Only the user's own settings name these roots, so only the user's rights reach them.
  if (!IsActingAsUser()) return nullptr;
  // "D:" and "D:\Data" alike: the root of the drive, then the names below it.
  wchar_t path[MAX_PATH] = {};
  if (!AppendPath(path, root) || !AppendPath(path, below)) return nullptr;
  return OpenBelowRoot(path, kFolderItem, 0);
}
