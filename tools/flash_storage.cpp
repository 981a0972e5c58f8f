// Blocking Flash Player's local storage for a host: Flash keeps a host's shared objects in a
// folder named after the host, and cannot make that folder where a file of that name stands.
#include "tools/ad_blocking.h"

#include "engine/places.h"

#include <shlobj.h>

// Youku's static content, iResearch's audience measurement, Tudou's player scripts.
const wchar_t* const kFlashHosts[kFlashHostCount] = {L"static.youku.com", L"irs01.com",
                                                     L"js.tudouui.com"};

namespace {

const wchar_t kSharedObjects[] = L"\\Macromedia\\Flash Player\\#SharedObjects\\";

struct StorageAction {
  const wchar_t* host;
  void (*apply)(HANDLE storage, const wchar_t* host);
};

void VisitStorageFolder(HANDLE storage, void* context) {
  const StorageAction& action = *static_cast<const StorageAction*>(context);
  action.apply(storage, action.host);
}

// Applies action to host's entry in each of Flash Player's folders under #SharedObjects: every
// subfolder whose name does not begin with a dot. Links lead out of Flash Player's store, so
// nothing is done through them, nor to a host's entry that is itself a link.
void ForEachStorageFolder(const wchar_t* host, void (*apply)(HANDLE storage, const wchar_t* host)) {
  StorageAction action = {host, apply};
  ForEachSubfolder(CSIDL_APPDATA, kSharedObjects, VisitStorageFolder, &action);
}

void PutBlockingFile(HANDLE storage, const wchar_t* host) {
  // The host's stored objects go, and then its folder.
  HANDLE folder = OpenBelow(storage, host, kFolderItem, DELETE);
  if (folder) {
    WalkOpenFolder(folder, FALSE);
    DeleteAndClose(folder);
  }
  // Fails where the folder could not be removed; that host stays unblocked there.
  MakeEmptyFileIn(storage, host);
}

// A real folder of that name is left alone.
void RemoveBlockingFile(HANDLE storage, const wchar_t* host) {
  DeleteAndClose(OpenBelow(storage, host, kFileItem, DELETE));
}

}  // namespace

int BlockFlashStorage(const wchar_t* host) {
  ForEachStorageFolder(host, PutBlockingFile);
  return 0;
}

int UnblockFlashStorage(const wchar_t* host) {
  ForEachStorageFolder(host, RemoveBlockingFile);
  return 0;
}
