// Finding, creating and calling Windows' own cleanup handlers.
#include "engine/handlers/cleanup_handlers.h"

#include "engine/places/paths.h"
#include "engine/handlers/server_access.h"
#include "framework/dll_export.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <wchar.h>

namespace {

const wchar_t kVolumeCaches[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches";

// Handlers whose places the written rows clean in full. Of the error-report handlers only
// Windows 7's per-user ones: the machine's report store (ProgramData\Microsoft\Windows\WER)
// is cleaned by its handlers' own rows.
const wchar_t* const kCoveredHandlers[] = {
    L"Downloaded Program Files",
    L"Internet Cache Files",
    L"Offline Pages Files",
    L"Recycle Bin",
    L"System error memory dump files",
    L"System error minidump files",
    L"Temporary Files",
    L"Windows Error Reporting Archive Files",
    L"Windows Error Reporting Queue Files",
    L"Windows Error Reporting Temp Files",
    L"Content Indexer Cleaner",
    L"Windows Defender",
    L"Thumbnail Cache",
    L"Service Pack Cleanup",
    L"Update Cleanup",  // the component store, which the service-pack row cleans
};

// Handlers that delete the user's own files, which no cleaner should take at one tick: the
// Downloads folder (Windows 10 1809 on), File History's older versions of the user's files, and
// the offline copies of network files, which may hold changes not yet written back.
const wchar_t* const kUsersOwnFiles[] = {
    L"DownloadsFolder",
    L"User file versions",
    L"Offline Files",
};

// The variables a server registration may begin with, and the folders put in for them.
const struct {
  const wchar_t* variable;
  int csidl;
} kServerFolders[] = {{L"%SystemRoot%", CSIDL_WINDOWS},
                      {L"%windir%", CSIDL_WINDOWS},
                      {L"%ProgramFiles%", CSIDL_PROGRAM_FILES},
                      {L"%CommonProgramFiles%", CSIDL_PROGRAM_FILES_COMMON}};

// The handlers the rows after the written ones stand for, shared by the survey and the clean
// runs of every window of the process: key name, description, and the lock that an open
// CCleanupHandler holds.
struct RememberedHandler {
  wchar_t keyName[MAX_PATH];
  wchar_t description[kDescriptionLength];
  SRWLOCK inUse;
};
const int kRememberedKeys = 64;
RememberedHandler g_remembered[kRememberedKeys];  // zeroed: every inUse lock is free
int g_rememberedCount = 0;
SRWLOCK g_rememberedLock = SRWLOCK_INIT;

// A string value of an open key (length units), never expanded; false when it is missing, not
// a string or too long.
bool ReadString(HKEY key, const wchar_t* subKey, const wchar_t* name, wchar_t* text,
                DWORD* type, DWORD length = MAX_PATH) {
  DWORD size = length * sizeof(wchar_t);
  return RegGetValueW(key, subKey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                      type, text, &size) == ERROR_SUCCESS;
}

bool IsListed(const wchar_t* keyName, const wchar_t* const* names, size_t count) {
  for (size_t index = 0; index < count; ++index)
    if (_wcsicmp(keyName, names[index]) == 0) return true;
  return false;
}

// A text to show into shown (length units): "@file,-id" names a string resource, which
// Windows gives in the user's language. False when there is none or it cannot be loaded.
bool TakeShownText(const wchar_t* text, wchar_t* shown, size_t length) {
  wmemset(shown, L'\0', length);
  if (!text || !*text) return false;
  if (text[0] == L'@')
    return SUCCEEDED(SHLoadIndirectString(text, shown, static_cast<UINT>(length), nullptr)) &&
           *shown;
  wcsncpy(shown, text, length - 1);
  return true;
}

// Loads the in-process server that HKLM registers for clsid. CoCreateInstance would look the
// class up in HKEY_CLASSES_ROOT, where a registration under the user's own HKCU comes first,
// and elevation does not reliably stop that: any program the user runs could put its DLL into
// this elevated process. So the machine's registration is read and its DLL loaded here, and
// only where administrators alone can change it: a vendor's DLL in a folder that users may add
// files to would otherwise run their code as administrator at every start.
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
      !HandlerServerPath(registered, type == REG_EXPAND_SZ, path) ||
      !IsAdministratorsOnlyServer(path))
    return nullptr;
  // The DLLs it needs come from the system folder alone. Windows 7 without its DLL-search
  // update refuses the flag; its older search would try the current folder and PATH, which
  // the user sets, so there the server is not loaded at all.
  return LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// An object of the class that the key's value `name` holds as "{...}", from its HKLM
// registration; null when there is none. The server stays loaded: it is never freed.
// IIDFromString takes only the "{...}" form: CLSIDFromString would look a ProgID up in
// HKEY_CLASSES_ROOT, the user's registrations among them.
template <typename Interface>
Interface* CreateMachineObject(HKEY key, const wchar_t* name, REFIID iid) {
  wchar_t clsidText[MAX_PATH];
  CLSID clsid;
  if (!ReadString(key, nullptr, name, clsidText, nullptr) ||
      FAILED(IIDFromString(clsidText, &clsid)))
    return nullptr;
  HMODULE server = LoadMachineServer(clsid);
  typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, void**);
  auto getClassObject =
      server ? FindExport<GetClassObjectFn>(server, "DllGetClassObject") : nullptr;
  IClassFactory* factory = nullptr;
  if (!getClassObject || FAILED(getClassObject(clsid, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory))))
    return nullptr;
  Interface* object = nullptr;
  if (FAILED(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object))))
    object = nullptr;
  factory->Release();
  return object;
}

// A text of the handler's property bag into shown (length units); false when it has none.
bool ReadBagText(IPropertyBag* bag, const wchar_t* name, wchar_t* shown, size_t length) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  bool taken = SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR &&
               TakeShownText(value.bstrVal, shown, length);
  VariantClear(&value);
  return taken;
}

}  // namespace

bool IsCoveredByWrittenRow(const wchar_t* keyName) {
  return IsListed(keyName, kCoveredHandlers, ARRAYSIZE(kCoveredHandlers));
}

bool DeletesUsersOwnFiles(const wchar_t* keyName) {
  return IsListed(keyName, kUsersOwnFiles, ARRAYSIZE(kUsersOwnFiles));
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
    if (status != ERROR_SUCCESS || _wcsicmp(name, after) <= 0 || IsCoveredByWrittenRow(name) ||
        DeletesUsersOwnFiles(name))
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
  while (index < g_rememberedCount && _wcsicmp(g_remembered[index].keyName, keyName) != 0)
    ++index;
  if (index == g_rememberedCount && index < kRememberedKeys && wcslen(keyName) < MAX_PATH) {
    wcscpy(g_remembered[index].keyName, keyName);
    ++g_rememberedCount;
  }
  LPARAM number = index < g_rememberedCount ? index + 1 : 0;
  ReleaseSRWLockExclusive(&g_rememberedLock);
  return number;
}

bool RememberedHandlerKey(LPARAM number, wchar_t* keyName) {
  AcquireSRWLockShared(&g_rememberedLock);
  bool known = number >= 1 && number <= g_rememberedCount;
  if (known) wcscpy(keyName, g_remembered[number - 1].keyName);
  ReleaseSRWLockShared(&g_rememberedLock);
  return known;
}

void RememberHandlerDescription(LPARAM number, const wchar_t* description) {
  AcquireSRWLockExclusive(&g_rememberedLock);
  if (number >= 1 && number <= g_rememberedCount) {
    wchar_t* kept = g_remembered[number - 1].description;
    wmemset(kept, L'\0', kDescriptionLength);
    wcsncpy(kept, description, kDescriptionLength - 1);
  }
  ReleaseSRWLockExclusive(&g_rememberedLock);
}

bool RememberedHandlerDescription(LPARAM number, wchar_t* text) {
  AcquireSRWLockShared(&g_rememberedLock);
  bool known = number >= 1 && number <= g_rememberedCount;
  if (known) wcscpy(text, g_remembered[number - 1].description);
  ReleaseSRWLockShared(&g_rememberedLock);
  return known && *text;
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
  if (m_hKey) RegCloseKey(m_hKey);
  if (m_pInUse) ReleaseSRWLockExclusive(m_pInUse);
}

HRESULT CCleanupHandler::Open(LPARAM number) {
  wchar_t keyName[MAX_PATH];
  if (!RememberedHandlerKey(number, keyName)) return E_INVALIDARG;
  // The survey and a clean run may come to the same handler at once; the second waits here
  // until the first has deactivated and released its object.
  m_pInUse = &g_remembered[number - 1].inUse;
  AcquireSRWLockExclusive(m_pInUse);
  wchar_t key[MAX_PATH] = {};
  wchar_t volume[MAX_PATH];
  if (!AppendPath(key, kVolumeCaches) || !AppendPath(key, L"\\") || !AppendPath(key, keyName) ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &m_hKey) != ERROR_SUCCESS ||
      !GetWindowsDriveRoot(volume))
    return E_FAIL;
  m_pHandler = CreateMachineObject<IEmptyVolumeCache>(m_hKey, nullptr, IID_IEmptyVolumeCache);
  if (!m_pHandler) return E_FAIL;
  wchar_t* displayName = nullptr;
  wchar_t* description = nullptr;
  wchar_t* buttonText = nullptr;
  HRESULT result;
  IEmptyVolumeCache2* handler2 = nullptr;
  if (SUCCEEDED(m_pHandler->QueryInterface(IID_IEmptyVolumeCache2,
                                           reinterpret_cast<void**>(&handler2)))) {
    result = handler2->InitializeEx(m_hKey, volume, keyName, &displayName, &description,
                                    &buttonText, &m_dwFlags);
    handler2->Release();
  } else {
    result = m_pHandler->Initialize(m_hKey, volume, &displayName, &description, &m_dwFlags);
  }
  m_bActive = result == S_OK;
  if (m_bActive) TakeTexts(displayName, description, keyName);
  CoTaskMemFree(displayName);
  CoTaskMemFree(description);
  CoTaskMemFree(buttonText);
  return result;
}

void CCleanupHandler::TakeTexts(const wchar_t* displayName, const wchar_t* description,
                                const wchar_t* keyName) {
  wchar_t text[kDescriptionLength];
  bool labelled = TakeShownText(displayName, m_szLabel, MAX_PATH) ||
                  (ReadString(m_hKey, nullptr, L"Display", text, nullptr, kDescriptionLength) &&
                   TakeShownText(text, m_szLabel, MAX_PATH));
  bool described =
      TakeShownText(description, m_szDescription, kDescriptionLength) ||
      (ReadString(m_hKey, nullptr, L"Description", text, nullptr, kDescriptionLength) &&
       TakeShownText(text, m_szDescription, kDescriptionLength));
  if (!labelled || !described) {
    // Loaded like the handler itself, from the machine's registration only.
    IPropertyBag* bag = CreateMachineObject<IPropertyBag>(m_hKey, L"PropertyBag", IID_IPropertyBag);
    if (bag) {
      labelled = labelled || ReadBagText(bag, L"Display", m_szLabel, MAX_PATH);
      if (!described) ReadBagText(bag, L"Description", m_szDescription, kDescriptionLength);
      bag->Release();
    }
  }
  if (!labelled) wcsncpy(m_szLabel, keyName, MAX_PATH - 1);
}

bool CCleanupHandler::SpaceUsed(IEmptyVolumeCacheCallBack* progress, ByteCount* used) const {
  DWORDLONG space = 0;
  bool known = m_bActive && m_pHandler->GetSpaceUsed(&space, progress) == S_OK;
  *used = known ? space : 0;
  return known;
}

bool CCleanupHandler::Purge(ByteCount amount, IEmptyVolumeCacheCallBack* progress) const {
  return m_bActive && m_pHandler->Purge(amount, progress) == S_OK;
}
