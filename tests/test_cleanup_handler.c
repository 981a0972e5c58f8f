/* A cleanup handler of the kind Windows' Disk Cleanup calls, for the tests. What it does comes
   from the values of the key it is initialised with: "Record" (a file it appends one line per
   call to), "Result" (what initialising answers), "Name" (its display name), "Size" (the bytes
   it reports) and "ScanUntilStopped" (sizing goes on until the progress callback says stop).
   Its class {7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A52} offers only the first interface version.
   Plain C, so that it needs no runtime DLL of its own. */
#include <windows.h>

#include <emptyvc.h>
#include <stdio.h>

static const CLSID kFirstVersionOnly = {
    0x7C1E4F2A, 0x3B5D, 0x4E6F, {0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x52}};

static LONG g_objects = 0;

typedef struct {
  IEmptyVolumeCache2 iface;
  LONG refs;
  BOOL firstVersionOnly;
  WCHAR record[MAX_PATH];
  ULONGLONG size;
  DWORD scanUntilStopped;
} Handler;

static void Record(const Handler* handler, const char* format, ...) {
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  int length = vsnprintf(line, sizeof line - 1, format, arguments);
  va_end(arguments);
  if (length < 0 || !handler->record[0]) return;
  if (length > (int)sizeof line - 1) length = (int)sizeof line - 1;
  line[length] = '\n';
  HANDLE file = CreateFileW(handler->record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            NULL, OPEN_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, line, (DWORD)length + 1, &written, NULL);
  CloseHandle(file);
}

static const char* Utf8(const WCHAR* text, char* buffer) {
  if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, MAX_PATH * 3, NULL, NULL)) buffer[0] = 0;
  return buffer;
}

static HRESULT WINAPI QueryInterface(IEmptyVolumeCache2* self, REFIID iid, void** object) {
  Handler* handler = (Handler*)self;
  *object = NULL;
  if (!IsEqualIID(iid, &IID_IUnknown) && !IsEqualIID(iid, &IID_IEmptyVolumeCache) &&
      (handler->firstVersionOnly || !IsEqualIID(iid, &IID_IEmptyVolumeCache2)))
    return E_NOINTERFACE;
  *object = self;
  InterlockedIncrement(&handler->refs);
  return S_OK;
}

static ULONG WINAPI AddRef(IEmptyVolumeCache2* self) {
  return (ULONG)InterlockedIncrement(&((Handler*)self)->refs);
}

static ULONG WINAPI Release(IEmptyVolumeCache2* self) {
  Handler* handler = (Handler*)self;
  LONG refs = InterlockedDecrement(&handler->refs);
  if (refs == 0) {
    Record(handler, "Released");
    HeapFree(GetProcessHeap(), 0, handler);
    InterlockedDecrement(&g_objects);
  }
  return (ULONG)refs;
}

static WCHAR* TaskCopy(const WCHAR* text) {
  WCHAR* copy = (WCHAR*)CoTaskMemAlloc((lstrlenW(text) + 1) * sizeof(WCHAR));
  if (copy) lstrcpyW(copy, text);
  return copy;
}

static HRESULT Start(Handler* handler, HKEY key, const char* call, LPCWSTR keyName,
                     LPCWSTR volume, LPWSTR* displayName, LPWSTR* description) {
  DWORD size = sizeof handler->record;
  RegGetValueW(key, NULL, L"Record", RRF_RT_REG_SZ, NULL, handler->record, &size);
  DWORD result = S_OK;
  size = sizeof result;
  RegGetValueW(key, NULL, L"Result", RRF_RT_REG_DWORD, NULL, &result, &size);
  size = sizeof handler->size;
  RegGetValueW(key, NULL, L"Size", RRF_RT_REG_QWORD, NULL, &handler->size, &size);
  size = sizeof handler->scanUntilStopped;
  RegGetValueW(key, NULL, L"ScanUntilStopped", RRF_RT_REG_DWORD, NULL,
               &handler->scanUntilStopped, &size);
  char name[MAX_PATH * 3], root[MAX_PATH * 3];
  Record(handler, "%s %s %s", call, keyName ? Utf8(keyName, name) : "-", Utf8(volume, root));
  WCHAR text[MAX_PATH];
  size = sizeof text;
  *displayName = NULL;
  if (RegGetValueW(key, NULL, L"Name", RRF_RT_REG_SZ, NULL, text, &size) == ERROR_SUCCESS)
    *displayName = TaskCopy(text);
  *description = NULL;
  return (HRESULT)result;
}

static HRESULT WINAPI Initialize(IEmptyVolumeCache2* self, HKEY key, LPCWSTR volume,
                                 LPWSTR* displayName, LPWSTR* description, DWORD* flags) {
  *flags = 0;
  return Start((Handler*)self, key, "Initialize", NULL, volume, displayName, description);
}

static HRESULT WINAPI InitializeEx(IEmptyVolumeCache2* self, HKEY key, LPCWSTR volume,
                                   LPCWSTR keyName, LPWSTR* displayName, LPWSTR* description,
                                   LPWSTR* buttonText, DWORD* flags) {
  *flags = 0;
  *buttonText = NULL;
  return Start((Handler*)self, key, "InitializeEx", keyName, volume, displayName, description);
}

static HRESULT WINAPI GetSpaceUsed(IEmptyVolumeCache2* self, DWORDLONG* used,
                                   IEmptyVolumeCacheCallBack* progress) {
  Handler* handler = (Handler*)self;
  Record(handler, "GetSpaceUsed");
  /* A minute at most: long enough for any test, short enough not to hang one. */
  for (int round = 0; handler->scanUntilStopped && round < 3000; ++round) {
    if (FAILED(progress->lpVtbl->ScanProgress(progress, 0, 0, NULL))) {
      Record(handler, "ScanStopped");
      return E_ABORT;
    }
    Sleep(20);
  }
  *used = handler->size;
  progress->lpVtbl->ScanProgress(progress, handler->size, EVCCBF_LASTNOTIFICATION, NULL);
  return S_OK;
}

static HRESULT WINAPI Purge(IEmptyVolumeCache2* self, DWORDLONG amount,
                            IEmptyVolumeCacheCallBack* progress) {
  Record((Handler*)self, "Purge %llu", (unsigned long long)amount);
  progress->lpVtbl->PurgeProgress(progress, amount, 0, EVCCBF_LASTNOTIFICATION, NULL);
  return S_OK;
}

static HRESULT WINAPI ShowProperties(IEmptyVolumeCache2* self, HWND window) {
  (void)self;
  (void)window;
  return S_FALSE;
}

static HRESULT WINAPI Deactivate(IEmptyVolumeCache2* self, DWORD* flags) {
  Record((Handler*)self, "Deactivate");
  *flags = 0;
  return S_OK;
}

static IEmptyVolumeCache2Vtbl g_handlerCalls = {QueryInterface, AddRef, Release,
                                                Initialize, GetSpaceUsed, Purge,
                                                ShowProperties, Deactivate, InitializeEx};

/* The class factory: one static object per class kind, never freed. */
typedef struct {
  IClassFactory iface;
  BOOL firstVersionOnly;
} Factory;

static HRESULT WINAPI FactoryQueryInterface(IClassFactory* self, REFIID iid, void** object) {
  *object = NULL;
  if (!IsEqualIID(iid, &IID_IUnknown) && !IsEqualIID(iid, &IID_IClassFactory))
    return E_NOINTERFACE;
  *object = self;
  return S_OK;
}

static ULONG WINAPI FactoryAddRef(IClassFactory* self) {
  (void)self;
  return 2;
}

static ULONG WINAPI FactoryRelease(IClassFactory* self) {
  (void)self;
  return 1;
}

static HRESULT WINAPI CreateInstance(IClassFactory* self, IUnknown* outer, REFIID iid,
                                     void** object) {
  *object = NULL;
  if (outer) return CLASS_E_NOAGGREGATION;
  Handler* handler = (Handler*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Handler));
  if (!handler) return E_OUTOFMEMORY;
  handler->iface.lpVtbl = &g_handlerCalls;
  handler->refs = 1;
  handler->firstVersionOnly = ((Factory*)self)->firstVersionOnly;
  InterlockedIncrement(&g_objects);
  HRESULT result = QueryInterface(&handler->iface, iid, object);
  Release(&handler->iface);
  return result;
}

static HRESULT WINAPI LockServer(IClassFactory* self, BOOL lock) {
  (void)self;
  (void)lock;
  return S_OK;
}

static IClassFactoryVtbl g_factoryCalls = {FactoryQueryInterface, FactoryAddRef, FactoryRelease,
                                           CreateInstance, LockServer};
static Factory g_factories[2] = {{{&g_factoryCalls}, FALSE}, {{&g_factoryCalls}, TRUE}};

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid,
                                                      void** object) {
  Factory* factory = &g_factories[IsEqualCLSID(clsid, &kFirstVersionOnly) ? 1 : 0];
  return FactoryQueryInterface(&factory->iface, iid, object);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void) {
  return g_objects == 0 ? S_OK : S_FALSE;
}
