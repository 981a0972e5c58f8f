// Finding, creating and calling Windows' own cleanup handlers.
#include "engine/cleanup_handlers.h"

#include "engine/paths.h"
#include "framework/dll_export.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <wchar.h>

namespace {

const wchar_t kVolumeCaches[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches";

// Handlers whose places the written rows clean already; a trailing '*' covers every key that
// begins with the text before it.
const wchar_t* const kCoveredHandlers[] = {
    L"Downloaded Program Files",
    L"Internet Cache Files",
    L"Offline Pages Files",
    L"Recycle Bin",
    L"System error memory dump files",
    L"System error minidump files",
    L"Temporary Files",
    L"Windows Error Reporting*",
    L"Content Indexer Cleaner",
    L"Windows Defender",
    L"Thumbnail Cache",
    L"Service Pack Cleanup",
    L"Update Cleanup",  // the component store, which the service-pack row cleans
};

// The variables a server registration may begin with, and the folders put in for them.
const struct {
  const wchar_t* variable;
  int csidl;
} kServerFolders[] = {{L"%SystemRoot%", CSIDL_WINDOWS},
                      {L"%windir%", CSIDL_WINDOWS},
                      {L"%ProgramFiles%", CSIDL_PROGRAM_FILES},
                      {L"%CommonProgramFiles%", CSIDL_PROGRAM_FILES_COMMON}};

// The key names the rows after the written ones stand for, shared by the survey and the clean
// runs of every window of the process.
const int kRememberedKeys = 64;
wchar_t g_rememberedKeys[kRememberedKeys][MAX_PATH];
int g_rememberedCount = 0;
SRWLOCK g_rememberedLock = SRWLOCK_INIT;

// A string value of an open key (MAX_PATH units), never expanded; false when it is missing,
// not a string or too long.
bool ReadString(HKEY key, const wchar_t* subKey, const wchar_t* name, wchar_t* text,
                DWORD* type) {
  DWORD size = MAX_PATH * sizeof(wchar_t);
  return RegGetValueW(key, subKey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                      type, text, &size) == ERROR_SUCCESS;
}

// Loads the in-process server that HKLM registers for clsid. CoCreateInstance would look the
// class up in HKEY_CLASSES_ROOT, where a registration under the user's own HKCU comes first,
// and elevation does not reliably stop that: any program the user runs could put its DLL into
// this elevated process. So the machine's registration is read and its DLL loaded here.
HMODULE LoadMachineServer(REFCLSID clsid) {
  wchar_t key[MAX_PATH] = L"SOFTWARE\\Classes\\CLSID\\";
  const size_t used = wcslen(key);
  if (!StringFromGUID2(clsid, key + used, static_cast<int>(MAX_PATH - used)) ||
      !AppendPath(key, L"\\InprocServer32"))
    return nullptr;
  wchar_t registered[MAX_PATH];
  wchar_t path[MAX_PATH];
  DWORD type = 0;
  if (!ReadString(HKEY_LOCAL_MACHINE, key, nullptr, registered, &type) ||
      !HandlerServerPath(registered, type == REG_EXPAND_SZ, path))
    return nullptr;
  // Its own DLLs from its own folder or the system folder, never the search path.
  HMODULE server = LoadLibraryExW(
      path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without its DLL-search update knows only the older flag.
  if (!server && GetLastError() == ERROR_INVALID_PARAMETER)
    server = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return server;
}

IEmptyVolumeCache* CreateFromServer(HMODULE server, REFCLSID clsid) {
  typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, void**);
  auto getClassObject = FindExport<GetClassObjectFn>(server, "DllGetClassObject");
  IClassFactory* factory = nullptr;
  if (!getClassObject || FAILED(getClassObject(clsid, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory))))
    return nullptr;
  IEmptyVolumeCache* handler = nullptr;
  if (FAILED(factory->CreateInstance(nullptr, IID_IEmptyVolumeCache,
                                     reinterpret_cast<void**>(&handler))))
    handler = nullptr;
  factory->Release();
  return handler;
}

// Unloads a server that says nothing of it is in use any more; one that does not stays loaded,
// as threads or objects of its own may still run.
void ReleaseServer(HMODULE server) {
  typedef HRESULT(STDAPICALLTYPE * CanUnloadNowFn)();
  auto canUnloadNow = FindExport<CanUnloadNowFn>(server, "DllCanUnloadNow");
  if (canUnloadNow && canUnloadNow() == S_OK) FreeLibrary(server);
}

}  // namespace

bool IsCoveredByWrittenRow(const wchar_t* keyName) {
  for (const wchar_t* covered : kCoveredHandlers) {
    size_t length = wcslen(covered);
    if (covered[length - 1] == L'*' ? _wcsnicmp(keyName, covered, length - 1) == 0
                                    : _wcsicmp(keyName, covered) == 0)
      return true;
  }
  return false;
}

bool NextCleanupHandler(const wchar_t* after, wchar_t* keyName) {
  HKEY caches = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVolumeCaches, 0, KEY_READ, &caches) != ERROR_SUCCESS)
    return false;
  // The smallest name past `after`: the keys come in no promised order, and a handler may
  // come or go between two calls.
  bool found = false;
  wchar_t name[MAX_PATH];
  for (DWORD index = 0;; ++index) {
    DWORD length = MAX_PATH;
    LONG status = RegEnumKeyExW(caches, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || _wcsicmp(name, after) <= 0 || IsCoveredByWrittenRow(name))
      continue;
    if (!found || _wcsicmp(name, keyName) < 0) wcscpy(keyName, name);
    found = true;
  }
  RegCloseKey(caches);
  return found;
}

bool HandlerServerPath(const wchar_t* registered, BOOL expandable, wchar_t* path) {
  wmemset(path, L'\0', MAX_PATH);
  const wchar_t* rest = registered;
  for (const auto& folder : kServerFolders) {
    const size_t length = wcslen(folder.variable);
    if (!expandable || _wcsnicmp(registered, folder.variable, length) != 0) continue;
    if (GetSpecialFolder(folder.csidl, path) != 0) return false;
    rest = registered + length;
    break;
  }
  // A bare name is a DLL of the system folder, this build's own view of it.
  if (rest == registered && !wcspbrk(registered, L"\\/:") &&
      (!GetSystemDirectoryW(path, MAX_PATH) || !AppendPath(path, L"\\")))
    return false;
  if (wcschr(rest, L'%') || !AppendPath(path, rest)) return false;
  return IsDriveLetter(path[0]) && IsWalkableFolder(path);
}

LPARAM RememberHandlerKey(const wchar_t* keyName) {
  AcquireSRWLockExclusive(&g_rememberedLock);
  int index = 0;
  while (index < g_rememberedCount && _wcsicmp(g_rememberedKeys[index], keyName) != 0) ++index;
  if (index == g_rememberedCount && index < kRememberedKeys && wcslen(keyName) < MAX_PATH) {
    wcscpy(g_rememberedKeys[index], keyName);
    ++g_rememberedCount;
  }
  LPARAM number = index < g_rememberedCount ? index + 1 : 0;
  ReleaseSRWLockExclusive(&g_rememberedLock);
  return number;
}

bool RememberedHandlerKey(LPARAM number, wchar_t* keyName) {
  AcquireSRWLockShared(&g_rememberedLock);
  bool known = number >= 1 && number <= g_rememberedCount;
  if (known) wcscpy(keyName, g_rememberedKeys[number - 1]);
  ReleaseSRWLockShared(&g_rememberedLock);
  return known;
}

HRESULT CHandlerProgress::QueryInterface(REFIID iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_IEmptyVolumeCacheCallBack) {
    *object = static_cast<IEmptyVolumeCacheCallBack*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

CCleanupHandler::~CCleanupHandler() {
  if (m_bActive) {
    DWORD flags = 0;
    m_pHandler->Deactivate(&flags);
  }
  if (m_pHandler) m_pHandler->Release();
  if (m_hServer) ReleaseServer(m_hServer);
  if (m_hKey) RegCloseKey(m_hKey);
}

bool CCleanupHandler::Open(const wchar_t* keyName) {
  wchar_t key[MAX_PATH] = {};
  wchar_t clsidText[MAX_PATH];
  wchar_t volume[MAX_PATH];
  CLSID clsid;
  // IIDFromString takes only the "{...}" form: CLSIDFromString would look a ProgID up in
  // HKEY_CLASSES_ROOT, the user's registrations among them.
  if (!AppendPath(key, kVolumeCaches) || !AppendPath(key, L"\\") || !AppendPath(key, keyName) ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &m_hKey) != ERROR_SUCCESS ||
      !ReadString(m_hKey, nullptr, nullptr, clsidText, nullptr) ||
      FAILED(IIDFromString(clsidText, &clsid)) || !GetWindowsDriveRoot(volume))
    return false;
  m_hServer = LoadMachineServer(clsid);
  if (!m_hServer) return false;
  m_pHandler = CreateFromServer(m_hServer, clsid);
  if (!m_pHandler) return false;
  wchar_t* displayName = nullptr;
  wchar_t* description = nullptr;
  wchar_t* buttonText = nullptr;
  DWORD flags = 0;
  HRESULT result;
  IEmptyVolumeCache2* handler2 = nullptr;
  if (SUCCEEDED(m_pHandler->QueryInterface(IID_IEmptyVolumeCache2,
                                           reinterpret_cast<void**>(&handler2)))) {
    result = handler2->InitializeEx(m_hKey, volume, keyName, &displayName, &description,
                                    &buttonText, &flags);
    handler2->Release();
  } else {
    result = m_pHandler->Initialize(m_hKey, volume, &displayName, &description, &flags);
  }
  CoTaskMemFree(description);
  CoTaskMemFree(buttonText);
  m_bActive = result == S_OK;
  if (m_bActive) TakeLabel(displayName, keyName);
  CoTaskMemFree(displayName);
  return m_bActive;
}

void CCleanupHandler::TakeLabel(wchar_t* displayName, const wchar_t* keyName) {
  wmemset(m_szLabel, L'\0', MAX_PATH);
  if (displayName && *displayName) {
    wcsncpy(m_szLabel, displayName, MAX_PATH - 1);
    return;
  }
  wchar_t display[MAX_PATH];
  if (ReadString(m_hKey, nullptr, L"Display", display, nullptr) && *display) {
    // "@file,-id": a string resource, which Windows gives in the user's language.
    if (display[0] != L'@') {
      wcscpy(m_szLabel, display);
      return;
    }
    if (SUCCEEDED(SHLoadIndirectString(display, m_szLabel, MAX_PATH, nullptr)) && *m_szLabel)
      return;
  }
  wcsncpy(m_szLabel, keyName, MAX_PATH - 1);
}

bool CCleanupHandler::SpaceUsed(IEmptyVolumeCacheCallBack* progress, ByteCount* used) const {
  DWORDLONG space = 0;
  bool known = m_bActive && SUCCEEDED(m_pHandler->GetSpaceUsed(&space, progress));
  *used = known ? space : 0;
  return known;
}

void CCleanupHandler::Purge(ByteCount amount, IEmptyVolumeCacheCallBack* progress) const {
  if (m_bActive) m_pHandler->Purge(amount, progress);
}
