// Windows Sockets wants its header before windows.h.
#include <winsock2.h>

#include "framework/application.h"
#include "framework/string.h"

#include <string>

namespace {

CWinApp* g_app = nullptr;

void StopSockets() { WSACleanup(); }

}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

BOOL AfxSocketInit() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return FALSE;
  if (data.wVersion != MAKEWORD(1, 1)) {
    WSACleanup();
    return FALSE;
  }
  atexit(&StopSockets);
  return TRUE;
}

int AfxMessageBox(UINT idPrompt, UINT type) {
  CString text;
  text.LoadString(idPrompt);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path);
  name = name.substr(name.find_last_of(L'\\') + 1);
  name = name.substr(0, name.find_last_of(L'.'));
  CWnd* main = AfxGetMainWnd();
  return MessageBoxW(main ? main->m_hWnd : nullptr, text, name.c_str(), type);
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = instance;
  if (app->InitInstance()) app->Run();
  return app->ExitInstance();
}
