// Visiting the subfolders of an open folder through handles.
#include "engine/walk/walk.h"

namespace {

struct SubfolderVisit {
  void (*visit)(HANDLE folder, const wchar_t* name, void* context);
  void* context;
};

void VisitListedSubfolder(HANDLE parent, const ListedItem& item, void* context) {
  const SubfolderVisit& subfolders = *static_cast<const SubfolderVisit*>(context);
  if (item.FileName[0] == L'.' || !IsListedFolder(item) || IsListedLink(item)) return;
  const size_t nameLength = ListedNameLength(item);
  if (nameLength >= MAX_PATH) return;  // longer than any name a file system keeps
  HANDLE folder = OpenListedItem(parent, item, 0);
  if (!folder) return;
  wchar_t name[MAX_PATH];
  wmemcpy(name, item.FileName, nameLength);
  name[nameLength] = L'\0';
  subfolders.visit(folder, name, subfolders.context);
  CloseHandle(folder);
}

}  // namespace

void ForEachListedSubfolder(HANDLE parent,
                            void (*visit)(HANDLE folder, const wchar_t* name, void* context),
                            void* context) {
  SubfolderVisit subfolders = {visit, context};
  CListingBuffer buffer;
  if (buffer.Get())
    ListFolder(parent, nullptr, buffer.Get(), VisitListedSubfolder, &subfolders);
}

void ForEachSubfolderAnew(HANDLE folder, void (*visit)(HANDLE, const wchar_t*, void*),
                          void* context) {
  HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
  if (!fresh) return;
  ForEachListedSubfolder(fresh, visit, context);
  CloseHandle(fresh);
}

HANDLE OpenFolderAnew(HANDLE folder, const wchar_t* subPath, ACCESS_MASK extraAccess) {
  HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
  if (!fresh) return nullptr;
  HANDLE opened = OpenBelow(fresh, subPath, kFolderItem, extraAccess);
  CloseHandle(fresh);
  return opened;
}

bool HoldsFolder(HANDLE folder, const wchar_t* name) {
  HANDLE found = OpenFolderAnew(folder, name, 0);
  if (!found) return false;
  CloseHandle(found);
  return true;
}
