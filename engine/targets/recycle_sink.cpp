// The watch on a move into the Recycle Bin that keeps back what the bin would not keep.
#include "engine/targets/recycle_sink.h"

#include <wchar.h>

#include "engine/places/paths.h"

bool DeleteGoesToRecycleBin(DWORD preDeleteFlags) {
  return (preDeleteFlags & TSF_DELETE_RECYCLE_IF_POSSIBLE) != 0;
}

HRESULT CRecycleSink::QueryInterface(REFIID iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IFileOperationProgressSink) {
    *object = static_cast<IFileOperationProgressSink*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CRecycleSink::PreDeleteItem(DWORD flags, IShellItem* item) {
  if (DeleteGoesToRecycleBin(flags)) return S_OK;
  // The item is the shell's own; its path tells which of ours it is.
  wchar_t* path = nullptr;
  if (item && SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
    int index = 0;
    for (const wchar_t* listed = m_pszPaths; *listed; listed += wcslen(listed) + 1, ++index)
      if (IsName(listed, path)) m_pKeptBack[index] = true;
    CoTaskMemFree(path);
  }
  // A failure skips this item alone; the others go on.
  return HRESULT_FROM_WIN32(ERROR_CANCELLED);
}
