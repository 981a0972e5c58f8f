#include "tools/move_checks.h"

#include "engine/places.h"

#include <wchar.h>

void (*g_pfnBeforeShellMove)(const wchar_t* source, const wchar_t* destination) = nullptr;

namespace {

// "The create operation stopped after reaching a symbolic link": the holds' error for a link.
const DWORD kErrorStoppedOnLink = 681;

void AddOneDriveFolder(OneDriveFolders* folders, const wchar_t* path) {
  if (*path && folders->count < OneDriveFolders::kCapacity)
    wcscpy(folders->paths[folders->count++], path);
}

void AddAccountFolders(OneDriveFolders* folders) {
  HKEY accounts;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\OneDrive\\Accounts", 0, KEY_READ,
                    &accounts) != ERROR_SUCCESS)
    return;
  // One subkey per signed-in account: Personal, Business1, Business2...
  wchar_t account[256];
  DWORD length = 256;
  for (DWORD i = 0;
       RegEnumKeyExW(accounts, i, account, &length, nullptr, nullptr, nullptr, nullptr) ==
       ERROR_SUCCESS;
       ++i, length = 256) {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    // REG_SZ, or REG_EXPAND_SZ expanded.
    if (RegGetValueW(accounts, account, L"UserFolder", RRF_RT_REG_SZ, nullptr, folder, &size) ==
        ERROR_SUCCESS)
      AddOneDriveFolder(folders, folder);
  }
  RegCloseKey(accounts);
}

}  // namespace

bool IsPathInside(const wchar_t* path, const wchar_t* folder) {
  size_t length = wcslen(folder);
  while (length > 0 && folder[length - 1] == L'\\') --length;
  if (length == 0 || wcslen(path) < length) return false;
  // As the file system compares names: ordinal, without regard to case.
  if (CompareStringOrdinal(path, static_cast<int>(length), folder, static_cast<int>(length),
                           TRUE) != CSTR_EQUAL)
    return false;
  return path[length] == L'\0' || path[length] == L'\\';
}

void FindOneDriveFolders(OneDriveFolders* folders) {
  folders->count = 0;
  AddAccountFolders(folders);
  const wchar_t* const variables[] = {L"OneDrive", L"OneDriveConsumer", L"OneDriveCommercial"};
  for (const wchar_t* variable : variables) {
    wchar_t folder[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(variable, folder, MAX_PATH);
    if (length < MAX_PATH) AddOneDriveFolder(folders, folder);
  }
}

const wchar_t* OneDriveFolderHolding(const wchar_t* path, const OneDriveFolders& folders) {
  for (int i = 0; i < folders.count; ++i)
    if (IsPathInside(path, folders.paths[i])) return folders.paths[i];
  return nullptr;
}

bool FoldersFit(const FolderToMove* folders, int count, ByteCount freeBytes, ByteCount* needed) {
  *needed = 0;
  for (int i = 0; i < count; ++i)
    if (folders[i].toOtherVolume) *needed += folders[i].size;
  return *needed <= freeBytes;
}

void FindMoveLimits(MoveLimits* limits) {
  FindOneDriveFolders(&limits->oneDrive);
  wmemset(limits->profile, L'\0', MAX_PATH);
  HANDLE token = OpenActingUserToken();
  if (token) {
    if (!GetProfileFolder(token, limits->profile)) wmemset(limits->profile, L'\0', MAX_PATH);
    CloseHandle(token);
  }
  wchar_t root[MAX_PATH];
  limits->windowsDrive = GetWindowsDriveRoot(root) ? root[0] : L'\0';
}

FolderStay WhyFolderStays(const wchar_t* source, const wchar_t* destination,
                          DWORD destinationAttributes, const MoveLimits& limits) {
  if (OneDriveFolderHolding(source, limits.oneDrive)) return kFolderInOneDrive;
  if (wcscmp(source, destination) == 0) return kFolderAlreadyThere;
  // Drive letters are ASCII: setting the 0x20 bit makes both lower case.
  bool onOtherDrive = IsWalkableFolder(source) && IsDriveLetter(source[0]) &&
                      IsDriveLetter(limits.windowsDrive) &&
                      (source[0] | 0x20) != (limits.windowsDrive | 0x20);
  if (!onOtherDrive && !PartBelowProfile(source, limits.profile)) return kFolderOutsideUserPlaces;
  if (destinationAttributes != INVALID_FILE_ATTRIBUTES &&
      (destinationAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return kDestinationIsLink;
  return kFolderMoves;
}

FolderStay WhyHeldFolderStays(DWORD sourceError, DWORD destinationError,
                              size_t destinationLength, size_t longestName, bool sameItem) {
  if (sourceError == kErrorStoppedOnLink) return kSourceThroughLink;
  if (sourceError != ERROR_SUCCESS) return kFolderNotReached;
  // The separator, the name and the terminator.
  if (longestName > 0 && destinationLength + 1 + longestName + 1 > MAX_PATH) return kNamesTooLong;
  if (destinationError == kErrorStoppedOnLink) return kDestinationIsLink;
  if (destinationError != ERROR_SUCCESS) return kFolderNotReached;
  return sameItem ? kFolderAlreadyThere : kFolderMoves;
}

RunStay WhyNothingMoves(bool actsAsUser, bool shellUserIsProcessUser) {
  if (!actsAsUser) return kRunWithoutUserRights;
  return shellUserIsProcessUser ? kRunMoves : kRunForOtherUser;
}
