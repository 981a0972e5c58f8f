// A drive's Recycle Bin: what the system says of it, and the move into it.
#include "engine/targets/recycle_bin.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <wchar.h>

#include "engine/targets/recycle_sink.h"

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

namespace {

// Moves paths with IFileOperation, the sink keeping back each file the bin would not keep.
// False where the shell offers no such move (Wine's answers E_NOTIMPL) and nothing was done.
bool MoveWatched(const wchar_t* paths, bool* keptBack) {
  IFileOperation* operation = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&operation))))
    return false;
  CRecycleSink sink(paths, keptBack);
  DWORD cookie = 0;
  // Without the flags or the sink, the operation could delete for good: it does not start.
  bool watched =
      SUCCEEDED(operation->SetOperationFlags(FOF_NO_UI | FOF_ALLOWUNDO | FOFX_RECYCLEONDELETE)) &&
      SUCCEEDED(operation->Advise(&sink, &cookie));
  bool queued = false;
  for (const wchar_t* path = paths; watched && *path; path += wcslen(path) + 1) {
    IShellItem* item = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(path, nullptr, IID_PPV_ARGS(&item)))) {
      queued = SUCCEEDED(operation->DeleteItem(item, nullptr)) || queued;
      item->Release();
    }
  }
  if (watched && queued && operation->PerformOperations() == E_NOTIMPL) watched = false;
  if (cookie) operation->Unadvise(cookie);
  operation->Release();
  return watched;
}

}  // namespace

void MoveToRecycleBin(const wchar_t* paths, bool* keptBack) {
  if (MoveWatched(paths, keptBack)) return;
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = paths;
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT |
                     FOF_NOERRORUI | FOF_NORECURSION;
  SHFileOperationW(&operation);
}
