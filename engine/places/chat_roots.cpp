// Finding the chat clients' data roots from their settings, read as the user.
#include "engine/places/chat_roots.h"

#include "engine/places/paths.h"
#include "engine/places/settings_roots.h"

#include <shlobj.h>
#include <wchar.h>

namespace {

// kNoRoot, a full list and a text too long for a path are passed over.
void AddRoot(DataRoots& roots, SettingsRoot kind, const wchar_t* text) {
  if (kind == kNoRoot || roots.count == kMaxDataRoots || wcslen(text) >= MAX_PATH) return;
  roots.kinds[roots.count] = kind;
  wcscpy(roots.texts[roots.count], text);
  ++roots.count;
}

// WeChat 4 notes its root as the one line of each config\*.ini; Documents where none names one.
void NoteConfigRoot(HANDLE config, const ListedItem& item, void* context) {
  if (IsListedFolder(item) || IsListedLink(item)) return;
  HANDLE file = OpenListedItem(config, item, FILE_READ_DATA);
  if (!file) return;
  wchar_t text[kSettingsTextSize];
  const bool read = ReadSettingsFile(file, text);
  CloseHandle(file);
  if (read) AddRoot(*static_cast<DataRoots*>(context), ParseSettingsRoot(FirstLine(text)), text);
}

}  // namespace

void ForEachDataFolder(const DataRoots& roots, const wchar_t* below,
                       void (*visit)(HANDLE folder, void* context),
                       void* context) {
  BY_HANDLE_FILE_INFORMATION seen[kMaxDataRoots];
  int seenCount = 0;
  for (int i = 0; i < roots.count; ++i) {
    HANDLE folder = OpenBelowDataRoot(roots.kinds[i], roots.texts[i], below);
    if (!folder) continue;
    BY_HANDLE_FILE_INFORMATION& id = seen[seenCount];
    bool known = !GetFileInformationByHandle(folder, &id);
    for (int j = 0; j < seenCount && !known; ++j) known = IsSameFileId(seen[j], id);
    if (!known) {
      ++seenCount;
      visit(folder, context);
    }
    CloseHandle(folder);
  }
}

void FindWeChat4Roots(DataRoots& roots) {
  roots.count = 0;
  HANDLE config = OpenKnownItem(CSIDL_APPDATA, L"\\Tencent\\xwechat\\config", kFolderItem, 0);
  CListingBuffer buffer;
  if (config && buffer.Get()) ListFolder(config, L"*.ini", buffer.Get(), NoteConfigRoot, &roots);
  if (config) CloseHandle(config);
  if (roots.count == 0) AddRoot(roots, kDocumentsRoot, L"");
}

void FindWeChat3Root(DataRoots& roots) {
  roots.count = 0;
  wchar_t text[kSettingsTextSize];
  SettingsRoot kind = kNoRoot;
  if (ReadUserRegistryText(L"Software\\Tencent\\WeChat", L"FileSavePath", text))
    kind = ParseSettingsRoot(FirstLine(text));
  if (kind == kNoRoot &&
      ReadKnownSettingsFile(CSIDL_APPDATA, L"\\Tencent\\WeChat\\All Users\\config\\3ebffe94.ini",
                            text))
    kind = ParseSettingsRoot(FirstLine(text));
  if (kind == kNoRoot) AddRoot(roots, kDocumentsRoot, L"");
  AddRoot(roots, kind, text);
}

void FindNewQQRoot(DataRoots& roots) {
  roots.count = 0;
  wchar_t text[kSettingsTextSize];
  wchar_t value[MAX_PATH] = {};
  SettingsRoot kind = kNoRoot;
  if (ReadSharedSettingsFile(CSIDL_COMMON_DOCUMENTS, L"\\Tencent\\QQ\\UserDataInfo.ini", text) &&
      FindIniValue(text, L"UserDataSet", L"UserDataSavePathType", value) &&
      wcscmp(value, L"2") == 0 && FindIniValue(text, L"UserDataSet", L"UserDataSavePath", value))
    kind = ParseSettingsRoot(value);
  if (kind == kNoRoot) AddRoot(roots, kDocumentsRoot, L"");
  AddRoot(roots, kind, value);
}

bool IsWeChat4Account(HANDLE folder) { return HoldsFolder(folder, L"db_storage"); }

bool IsWeChat3Account(const wchar_t* name) {
  return !IsName(name, L"All Users") && !IsName(name, L"Applet") && !IsName(name, L"WMPF");
}

void ForEachWeChatFilesFolder(void (*visit4)(HANDLE, void*), void (*visit3)(HANDLE, void*),
                              void* context) {
  DataRoots roots;
  FindWeChat4Roots(roots);
  ForEachDataFolder(roots, L"\\xwechat_files", visit4, context);
  FindWeChat3Root(roots);
  ForEachDataFolder(roots, L"\\WeChat Files", visit3, context);
}

