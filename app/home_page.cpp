#include "app/home_page.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include <string>

namespace {

// A COM interface pointer released with its holder.
template <typename Interface>
class CInterface {
 public:
  CInterface() = default;
  CInterface(const CInterface&) = delete;
  CInterface& operator=(const CInterface&) = delete;
  ~CInterface() {
    if (m_pInterface) m_pInterface->Release();
  }
  Interface* operator->() const { return m_pInterface; }
  explicit operator bool() const { return m_pInterface != nullptr; }
  Interface** Receive() { return &m_pInterface; }
  void** Out() { return reinterpret_cast<void**>(&m_pInterface); }

 private:
  Interface* m_pInterface = nullptr;
};

// The desktop's shell object, through its folder view: the shell window list finds the
// desktop, its browser gives the view, the view's background object leads to the shell.
HRESULT FindDesktopShell(IShellDispatch2** shell) {
  CInterface<IShellWindows> windows;
  HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_IShellWindows, windows.Out());
  if (FAILED(hr)) return hr;
  VARIANT none;
  VariantInit(&none);
  long window = 0;
  CInterface<IDispatch> desktop;
  hr = windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                             desktop.Receive());
  if (hr != S_OK || !desktop) return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: no desktop
  CInterface<IServiceProvider> services;
  CInterface<IShellBrowser> browser;
  CInterface<IShellView> view;
  CInterface<IDispatch> background;
  CInterface<IShellFolderViewDual> folderView;
  CInterface<IDispatch> application;
  if (FAILED(hr = desktop->QueryInterface(IID_IServiceProvider, services.Out())) ||
      FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                         browser.Out())) ||
      FAILED(hr = browser->QueryActiveShellView(view.Receive())) ||
      FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.Out())) ||
      FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.Out())) ||
      FAILED(hr = folderView->get_Application(application.Receive())))
    return hr;
  return application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell));
}

HRESULT OpenWithShell(const wchar_t* url) {
  CInterface<IShellDispatch2> shell;
  HRESULT hr = FindDesktopShell(shell.Receive());
  if (SUCCEEDED(hr)) {
    VARIANT none, verb, show;
    VariantInit(&none);
    VariantInit(&verb);
    VariantInit(&show);
    verb.vt = VT_BSTR;
    verb.bstrVal = SysAllocString(L"open");
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    BSTR file = SysAllocString(url);
    hr = file && verb.bstrVal ? shell->ShellExecute(file, none, none, verb, show) : E_OUTOFMEMORY;
    SysFreeString(file);
    VariantClear(&verb);
  }
  return hr;
}

}  // namespace

HRESULT OpenThroughDesktopShell(const wchar_t* url) {
  // The window's thread has COM already; this only balances its own start.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT hr = OpenWithShell(url);
  if (SUCCEEDED(com)) CoUninitialize();
  return hr;
}

void OpenHomePage(HWND owner, const wchar_t* url, OpenCall open) {
  if (SUCCEEDED(open(url))) return;
  const std::wstring text =
      std::wstring(L"没能打开浏览器。请在浏览器中打开 Spruce 的下载网页：\n\n") + url +
      L"\n\n（按 Ctrl+C 可以复制这个窗口里的文字。）";
  MessageBoxW(owner, text.c_str(), L"Spruce", MB_OK | MB_ICONINFORMATION);
}
