// Windows' own cleanup handlers: the COM objects that its Disk Cleanup calls, each registered
// under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\VolumeCaches\<name>. Those that
// no written row covers become list rows after the written ones.
#pragma once

#include "engine/engine.h"

#include <emptyvc.h>

// Whether one of the written rows already cleans what the handler under keyName covers.
bool IsCoveredByWrittenRow(const wchar_t* keyName);
// Whether the handler under keyName deletes the user's own files (the Downloads folder, File
// History's copies, offline copies of network files): such a handler never becomes a row.
bool DeletesUsersOwnFiles(const wchar_t* keyName);

// The next handler key in key-name order after `after` ("" for the first) that may become a
// row (neither of the two above), into keyName (MAX_PATH units); false when there is none.
bool NextCleanupHandler(const wchar_t* after, wchar_t* keyName);

// The file Spruce loads for a server registered under HKLM as registered (REG_EXPAND_SZ when
// expandable), into path (MAX_PATH units). Only the folders of Windows itself are put in for
// %SystemRoot%, %windir%, %ProgramFiles% and %CommonProgramFiles% at the start, never the
// process environment, which the user can set for an elevated program too; a bare file name
// means the system folder. Anything else that is not a plain "X:\..." path is refused.
bool HandlerServerPath(const wchar_t* registered, BOOL expandable, wchar_t* path);

// The rows after the written ones keep, as their list data, a number that names the handler's
// key for the process's life: RememberHandlerKey gives it (0 when no more fit),
// RememberedHandlerKey reads the key name back (MAX_PATH units). The number also keeps the
// handler's description, the row's info tip: RememberHandlerDescription stores it,
// RememberedHandlerDescription copies it into text (kDescriptionLength units), false when the
// number names no handler or the handler has none.
const int kDescriptionLength = 512;
LPARAM RememberHandlerKey(const wchar_t* keyName);
bool RememberedHandlerKey(LPARAM number, wchar_t* keyName);
void RememberHandlerDescription(LPARAM number, const wchar_t* description);
bool RememberedHandlerDescription(LPARAM number, wchar_t* text);

// The size a handler answers when it cannot tell how much it would free.
const ByteCount kUnknownSize = ~0ull;

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
// there) and, once opened, deactivated and released with the object. No two objects hold the
// same handler at a time in the process: opening waits while another one holds it. The
// handler's server DLL stays loaded for the rest of the process, as threads of its own may
// still run once its objects are gone.
class CCleanupHandler {
 public:
  CCleanupHandler() = default;
  ~CCleanupHandler();
  CCleanupHandler(const CCleanupHandler&) = delete;
  CCleanupHandler& operator=(const CCleanupHandler&) = delete;

  // Creates the handler that number names (RememberHandlerKey) and initialises it for the
  // Windows drive: what initialising answered (S_OK: ready; S_FALSE: nothing to clean), or a
  // failure when the handler cannot be created, its server DLL among others lying where more
  // than administrators may change it (then never loaded).
  HRESULT Open(LPARAM number);
  // The row's label and info tip, once opened: the handler's own texts, else the key's
  // "Display" and "Description", else those of its "PropertyBag"; else the key name and no tip.
  const wchar_t* Label() const { return m_szLabel; }
  const wchar_t* Description() const { return m_szDescription; }
  // Whether the handler asked to be left off the list when it has nothing to free.
  bool HidesWhenEmpty() const { return (m_dwFlags & EVCF_DONTSHOWIFZERO) != 0; }
  // What the handler could free (kUnknownSize when it cannot tell); true only when it answers
  // S_OK, as anything else means it failed.
  bool SpaceUsed(IEmptyVolumeCacheCallBack* progress, ByteCount* used) const;
  // True only when the handler answers S_OK.
  bool Purge(ByteCount amount, IEmptyVolumeCacheCallBack* progress) const;

 private:
  void TakeTexts(const wchar_t* displayName, const wchar_t* description, const wchar_t* keyName);

  SRWLOCK* m_pInUse = nullptr;
  HKEY m_hKey = nullptr;
  IEmptyVolumeCache* m_pHandler = nullptr;
  bool m_bActive = false;
  DWORD m_dwFlags = 0;
  wchar_t m_szLabel[MAX_PATH] = {};
  wchar_t m_szDescription[kDescriptionLength] = {};
};
