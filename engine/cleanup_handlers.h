// Windows' own cleanup handlers: the COM objects that its Disk Cleanup calls, each registered
// under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\VolumeCaches\<name>. Those that
// no written row covers become list rows after the written ones.
#pragma once

#include "engine/engine.h"

#include <emptyvc.h>

// Whether one of the written rows already cleans what the handler under keyName covers.
bool IsCoveredByWrittenRow(const wchar_t* keyName);

// The next handler key in key-name order after `after` ("" for the first) that no written
// row covers, into keyName (MAX_PATH units); false when there is none.
bool NextCleanupHandler(const wchar_t* after, wchar_t* keyName);

// The file Spruce loads for a server registered under HKLM as registered (REG_EXPAND_SZ when
// expandable), into path (MAX_PATH units). Only the folders of Windows itself are put in for
// %SystemRoot%, %windir%, %ProgramFiles% and %CommonProgramFiles% at the start, never the
// process environment, which the user can set for an elevated program too; a bare file name
// means the system folder. Anything else that is not a plain "X:\..." path is refused.
bool HandlerServerPath(const wchar_t* registered, BOOL expandable, wchar_t* path);

// The rows after the written ones keep, as their list data, a number that names the handler's
// key for the process's life: RememberHandlerKey gives it (0 when no more fit),
// RememberedHandlerKey reads the key name back (MAX_PATH units).
LPARAM RememberHandlerKey(const wchar_t* keyName);
bool RememberedHandlerKey(LPARAM number, wchar_t* keyName);

// COM on a worker thread, as a single-threaded apartment, for the object's life.
class CComApartment {
 public:
  CComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComApartment() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

 private:
  HRESULT m_hr;
};

// The handlers' progress callback: answers "stop" once the window is gone, so that a long scan
// or purge ends with the window.
class CHandlerProgress : public IEmptyVolumeCacheCallBack {
 public:
  explicit CHandlerProgress(HWND window) : m_hWindow(window) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  // Declared before the handler that is given it, it outlives every reference: no count.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG, DWORD, LPCWSTR) override { return Answer(); }
  HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG, DWORDLONG, DWORD, LPCWSTR) override {
    return Answer();
  }

 private:
  HRESULT Answer() const { return ::IsWindow(m_hWindow) ? S_OK : E_ABORT; }
  HWND m_hWindow;
};

// One handler, created from its HKLM registration on the calling thread (COM initialised
// there) and, once opened, deactivated and released with the object.
class CCleanupHandler {
 public:
  CCleanupHandler() = default;
  ~CCleanupHandler();
  CCleanupHandler(const CCleanupHandler&) = delete;
  CCleanupHandler& operator=(const CCleanupHandler&) = delete;

  // Creates the handler of keyName and initialises it for the Windows drive; true only when it
  // answers S_OK (S_FALSE: it has nothing to clean).
  bool Open(const wchar_t* keyName);
  // The row's label: the handler's display name, else the key's "Display" text, else its name.
  const wchar_t* Label() const { return m_szLabel; }
  // What the handler could free; false when it cannot say.
  bool SpaceUsed(IEmptyVolumeCacheCallBack* progress, ByteCount* used) const;
  void Purge(ByteCount amount, IEmptyVolumeCacheCallBack* progress) const;

 private:
  void TakeLabel(wchar_t* displayName, const wchar_t* keyName);

  HKEY m_hKey = nullptr;
  HMODULE m_hServer = nullptr;
  IEmptyVolumeCache* m_pHandler = nullptr;
  bool m_bActive = false;
  wchar_t m_szLabel[MAX_PATH] = {};
};
