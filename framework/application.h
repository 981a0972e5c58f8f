// CWinApp: the program's one application object. The framework's entry point runs its
// InitInstance; a FALSE result ends the program without a message loop.
#pragma once

#include "framework/window.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int Run();
  virtual int ExitInstance() { return 0; }

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// Starts Windows Sockets 1.1; FALSE when it cannot start or grants another version.
BOOL AfxSocketInit();

// A message box with a string resource of the program, captioned with the program's name.
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK);

// What the entry point does: the application's InitInstance and, if it asks, its loop.
int AfxWinMain(HINSTANCE instance);
