// A drive's Recycle Bin: what the system says of it, and the move into it.
#include "engine/targets/recycle_bin.h"

#include <shellapi.h>
#include <wchar.h>

namespace {

const wchar_t kBitBucketVolumes[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\";
const wchar_t kExplorerPolicies[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

bool ReadNumber(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* value) {
  DWORD size = sizeof *value;
  return RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

// The per-user settings of the drive's bin, under the volume's GUID ("{...}").
void ReadVolumeSettings(HKEY user, const wchar_t* volumeRoot, RecycleBinAnswers* answers,
                        ByteCount driveSize) {
  DWORD value = 0;
  ByteCount capacity = driveSize / 20;
  wchar_t volume[64] = {};
  const wchar_t* guid = nullptr;
  if (GetVolumeNameForVolumeMountPointW(volumeRoot, volume, 64)) guid = wcschr(volume, L'{');
  wchar_t* close = guid ? wcschr(volume, L'}') : nullptr;
  if (close) {
    close[1] = L'\0';
    wchar_t key[MAX_PATH];
    swprintf(key, MAX_PATH, L"%ls%ls", kBitBucketVolumes, guid);
    if (ReadNumber(user, key, L"NukeOnDelete", &value) && value) answers->deletesAtOnce = true;
    if (ReadNumber(user, key, L"MaxCapacity", &value))
      capacity = static_cast<ByteCount>(value) * 1024 * 1024;
  }
  const HKEY policyRoots[] = {user, HKEY_LOCAL_MACHINE};
  for (HKEY root : policyRoots) {
    if (ReadNumber(root, kExplorerPolicies, L"NoRecycleFiles", &value) && value)
      answers->deletesAtOnce = true;
    if (ReadNumber(root, kExplorerPolicies, L"RecycleBinSize", &value) && value <= 100)
      capacity = driveSize / 100 * value;
  }
  answers->capacity = capacity;
}

}  // namespace

BinVerdict JudgeRecycleBin(const RecycleBinAnswers& answers, ByteCount selection) {
  if (!answers.hasBin) return kBinMissing;
  if (answers.deletesAtOnce) return kBinDeletesAtOnce;
  if (selection > answers.capacity) return kBinTooSmall;
  return kBinKeeps;
}

void AskRecycleBin(const wchar_t* volumeRoot, RecycleBinAnswers* answers) {
  *answers = RecycleBinAnswers();
  // Every fixed drive has a bin unless set to delete at once; the shell confirms it, for the
  // drive or (Wine answers for no drive alone) for all drives together.
  SHQUERYRBINFO held = {};
  held.cbSize = sizeof held;
  answers->hasBin =
      GetDriveTypeW(volumeRoot) == DRIVE_FIXED &&
      (SHQueryRecycleBinW(volumeRoot, &held) == S_OK || SHQueryRecycleBinW(nullptr, &held) == S_OK);
  ULARGE_INTEGER driveSize = {};
  GetDiskFreeSpaceExW(volumeRoot, nullptr, &driveSize, nullptr);
  // The hive of the user the thread acts for; HKEY_CURRENT_USER would be the process's own.
  HKEY user = nullptr;
  if (RegOpenCurrentUser(KEY_READ, &user) != ERROR_SUCCESS) user = nullptr;
  ReadVolumeSettings(user ? user : HKEY_CURRENT_USER, volumeRoot, answers, driveSize.QuadPart);
  if (user) RegCloseKey(user);
}

void MoveToRecycleBin(const wchar_t* paths) {
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = paths;
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT |
                     FOF_NOERRORUI | FOF_NORECURSION;
  SHFileOperationW(&operation);
}
