/* A cleanup handler of the kind Windows' Disk Cleanup calls, for the tests. What it does comes
   from the values of the key it is initialised with: "Record" (a file it appends one line per
   call to), "Result", "Flags", "SpaceResult" and "PurgeResult" (what initialising, its flags,
   sizing and purging answer), "Name" and "About" (its display name and description), "Size"
   (the bytes it reports), "ScanUntilStopped" (sizing goes on until the progress callback says
   stop), "PurgeDelay" and "DeactivateDelay" (milliseconds those calls take).
   Its class {7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A52} offers only the first interface version;
   {7C1E4F2A-3B5D-4E6F-8A9B-0C1D2E3F4A54} is a property bag that names a handler.
   Plain C, so that it needs no runtime DLL of its own. */
#include <windows.h>

#include <emptyvc.h>
#include <stdio.h>

static const CLSID kFirstVersionOnly = {
    0x7C1E4F2A, 0x3B5D, 0x4E6F, {0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x52}};
static const CLSID kPropertyBag = {
    0x7C1E4F2A, 0x3B5D, 0x4E6F, {0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x54}};

static LONG g_objects = 0;

typedef struct {
  IEmptyVolumeCache2 iface;
  LONG refs;
  BOOL firstVersionOnly;
  WCHAR record[MAX_PATH];
  ULONGLONG size;
  DWORD scanUntilStopped, flags, spaceResult, purgeResult, purgeDelay, deactivateDelay;
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

static DWORD Number(HKEY key, const WCHAR* name, DWORD otherwise) {
  DWORD size = sizeof otherwise;
  RegGetValueW(key, NULL, name, RRF_RT_REG_DWORD, NULL, &otherwise, &size);
  return otherwise;
}

static WCHAR* TaskText(HKEY key, const WCHAR* name) {
  WCHAR text[MAX_PATH];
  DWORD size = sizeof text;
  return RegGetValueW(key, NULL, name, RRF_RT_REG_SZ, NULL, text, &size) == ERROR_SUCCESS
             ? TaskCopy(text)
             : NULL;
}

static HRESULT Start(Handler* handler, HKEY key, const char* call, LPCWSTR keyName,
                     LPCWSTR volume, LPWSTR* displayName, LPWSTR* description, DWORD* flags) {
  DWORD size = sizeof handler->record;
  RegGetValueW(key, NULL, L"Record", RRF_RT_REG_SZ, NULL, handler->record, &size);
  size = sizeof handler->size;
  RegGetValueW(key, NULL, L"Size", RRF_RT_REG_QWORD, NULL, &handler->size, &size);
  handler->scanUntilStopped = Number(key, L"ScanUntilStopped", 0);
  handler->spaceResult = Number(key, L"SpaceResult", S_OK);
  handler->purgeResult = Number(key, L"PurgeResult", S_OK);
  handler->purgeDelay = Number(key, L"PurgeDelay", 0);
  handler->deactivateDelay = Number(key, L"DeactivateDelay", 0);
  *flags = Number(key, L"Flags", 0);
  char name[MAX_PATH * 3], root[MAX_PATH * 3];
  Record(handler, "%s %s %s", call, keyName ? Utf8(keyName, name) : "-", Utf8(volume, root));
  *displayName = TaskText(key, L"Name");
  *description = TaskText(key, L"About");
  return (HRESULT)Number(key, L"Result", S_OK);
}

static HRESULT WINAPI Initialize(IEmptyVolumeCache2* self, HKEY key, LPCWSTR volume,
                                 LPWSTR* displayName, LPWSTR* description, DWORD* flags) {
  return Start((Handler*)self, key, "Initialize", NULL, volume, displayName, description, flags);
}

static HRESULT WINAPI InitializeEx(IEmptyVolumeCache2* self, HKEY key, LPCWSTR volume,
                                   LPCWSTR keyName, LPWSTR* displayName, LPWSTR* description,
                                   LPWSTR* buttonText, DWORD* flags) {
  *buttonText = NULL;
  return Start((Handler*)self, key, "InitializeEx", keyName, volume, displayName, description,
               flags);
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
  return (HRESULT)handler->spaceResult;
}

static HRESULT WINAPI Purge(IEmptyVolumeCache2* self, DWORDLONG amount,
                            IEmptyVolumeCacheCallBack* progress) {
  Handler* handler = (Handler*)self;
  Record(handler, "Purge %llu", (unsigned long long)amount);
  Sleep(handler->purgeDelay);
  progress->lpVtbl->PurgeProgress(progress, amount, 0, EVCCBF_LASTNOTIFICATION, NULL);
  return (HRESULT)handler->purgeResult;
}

static HRESULT WINAPI ShowProperties(IEmptyVolumeCache2* self, HWND window) {
  (void)self;
  (void)window;
  return S_FALSE;
}

static HRESULT WINAPI Deactivate(IEmptyVolumeCache2* self, DWORD* flags) {
  Record((Handler*)self, "Deactivate");
  Sleep(((Handler*)self)->deactivateDelay);
  *flags = 0;
  return S_OK;
}

static IEmptyVolumeCache2Vtbl g_handlerCalls = {QueryInterface, AddRef, Release,
                                                Initialize, GetSpaceUsed, Purge,
                                                ShowProperties, Deactivate, InitializeEx};

/* The property bag: one static object, never freed, that gives a label and a description. */
static HRESULT WINAPI BagQueryInterface(IPropertyBag* self, REFIID iid, void** object) {
  *object = NULL;
  if (!IsEqualIID(iid, &IID_IUnknown) && !IsEqualIID(iid, &IID_IPropertyBag))
    return E_NOINTERFACE;
  *object = self;
  return S_OK;
}

static ULONG WINAPI BagReference(IPropertyBag* self) {
  (void)self;
  return 1;
}

static HRESULT WINAPI BagRead(IPropertyBag* self, LPCOLESTR name, VARIANT* value,
                              IErrorLog* errors) {
  (void)self;
  (void)errors;
  const WCHAR* text = lstrcmpW(name, L"Display") == 0       ? L"Bag label"
                      : lstrcmpW(name, L"Description") == 0 ? L"Bag description"
                                                            : NULL;
  if (!text) return E_INVALIDARG;
  V_VT(value) = VT_BSTR;
  V_BSTR(value) = SysAllocString(text);
  return S_OK;
}

static HRESULT WINAPI BagWrite(IPropertyBag* self, LPCOLESTR name, VARIANT* value) {
  (void)self;
  (void)name;
  (void)value;
  return E_FAIL;
}

static IPropertyBagVtbl g_bagCalls = {BagQueryInterface, BagReference, BagReference, BagRead,
                                      BagWrite};
static IPropertyBag g_bag = {&g_bagCalls};

/* The class factory: one static object per class, never freed. */
enum { kHandlerKind, kFirstVersionKind, kBagKind };
typedef struct {
  IClassFactory iface;
  int kind;
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
  if (((Factory*)self)->kind == kBagKind) return BagQueryInterface(&g_bag, iid, object);
  Handler* handler = (Handler*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Handler));
  if (!handler) return E_OUTOFMEMORY;
  handler->iface.lpVtbl = &g_handlerCalls;
  handler->refs = 1;
  handler->firstVersionOnly = ((Factory*)self)->kind == kFirstVersionKind;
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
static Factory g_factories[3] = {{{&g_factoryCalls}, kHandlerKind},
                                 {{&g_factoryCalls}, kFirstVersionKind},
                                 {{&g_factoryCalls}, kBagKind}};

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid,
                                                      void** object) {
  Factory* factory = &g_factories[IsEqualCLSID(clsid, &kFirstVersionOnly) ? kFirstVersionKind
                                  : IsEqualCLSID(clsid, &kPropertyBag)    ? kBagKind
                                                                          : kHandlerKind];
  return FactoryQueryInterface(&factory->iface, iid, object);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void) {
  return g_objects == 0 ? S_OK : S_FALSE;
}
