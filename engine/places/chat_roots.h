// Where the chat clients keep their files: the data roots that WeChat 4, WeChat 3 and the new
// QQ name in their settings, and the files folders below them. The cache rows and the chat-files
// tool find them the same way. Callers act as the user (CUserRights of a per-user known folder).
#pragma once

#include "engine/places/settings_text.h"

#include <windows.h>

// The data roots that the clients' settings name, each a kind and text of ParseSettingsRoot.
const int kMaxDataRoots = 8;

struct DataRoots {
  int count;
  SettingsRoot kinds[kMaxDataRoots];
  wchar_t texts[kMaxDataRoots][MAX_PATH];
};

// WeChat 4's roots: the one line of each config\*.ini; Documents where none names one.
void FindWeChat4Roots(DataRoots& roots);
// WeChat 3's root: its HKCU value, else the line of its 3ebffe94.ini, else Documents.
void FindWeChat3Root(DataRoots& roots);
// The new QQ's root: UserDataSavePath of its UserDataInfo.ini where UserDataSavePathType is 2,
// else Documents. The file lies in Public Documents, which every account writes: it is used only
// where it is the user's own (ReadSharedSettingsFile).
void FindNewQQRoot(DataRoots& roots);

// Calls visit for the folder below each root (a sub-path beginning with a backslash), open, once
// for each folder however often it is named.
void ForEachDataFolder(const DataRoots& roots, const wchar_t* below,
                       void (*visit)(HANDLE folder, void* context),
                       void* context);

// The account folders in the files folders: WeChat 4's are those that hold their databases;
// WeChat 3's are every folder of "WeChat Files" but its shared ones.
bool IsWeChat4Account(HANDLE folder);
bool IsWeChat3Account(const wchar_t* name);

// Calls visit4 for each WeChat 4 files folder (xwechat_files) and visit3 for WeChat 3's
// (WeChat Files), under the roots their settings name.
void ForEachWeChatFilesFolder(void (*visit4)(HANDLE, void*), void (*visit3)(HANDLE, void*),
                              void* context);
