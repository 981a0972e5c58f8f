// Blocking Flash Player's local storage for a host: Flash keeps a host's shared objects in a
// folder named after the host, and cannot make that folder where a file of that name stands.
#include "tools/ad_blocking.h"

#include "engine/paths.h"

#include <shlobj.h>

// Youku's static content, iResearch's audience measurement, Tudou's player scripts.
const wchar_t* const kFlashHosts[kFlashHostCount] = {L"static.youku.com", L"irs01.com",
                                                     L"js.tudouui.com"};

namespace {

const wchar_t kSharedObjects[] = L"\\Macromedia\\Flash Player\\#SharedObjects\\";

struct StorageAction {
  void (*apply)(const wchar_t* path);
};

// A host's entry that is itself a link is left alone too.
void VisitStorageEntry(const wchar_t* path, void* context) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return;
  static_cast<const StorageAction*>(context)->apply(path);
}

// Calls action with the path of host's entry in each of Flash Player's folders under
// #SharedObjects: every subfolder whose name does not begin with a dot. Links lead out of
// Flash Player's store, so nothing is done through them; names too long for a path buffer
// are passed over.
void ForEachStorageEntry(const wchar_t* host, void (*action)(const wchar_t* path)) {
  wchar_t tail[MAX_PATH];
  tail[0] = L'\0';
  if (!AppendPath(tail, L"\\") || !AppendPath(tail, host)) return;
  StorageAction storageAction = {action};
  ForEachSubfolder(CSIDL_APPDATA, kSharedObjects, tail, true, VisitStorageEntry, &storageAction);
}

void PutBlockingFile(const wchar_t* path) {
  WalkFolder(path, FALSE, FALSE);  // the host's stored objects go, and then its folder
  // Fails where the folder could not be removed; that host stays unblocked there.
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// DeleteFileW leaves a real folder of that name alone.
void RemoveBlockingFile(const wchar_t* path) { DeleteFileW(path); }

}  // namespace

int BlockFlashStorage(const wchar_t* host) {
  ForEachStorageEntry(host, PutBlockingFile);
  return 0;
}

int UnblockFlashStorage(const wchar_t* host) {
  ForEachStorageEntry(host, RemoveBlockingFile);
  return 0;
}
