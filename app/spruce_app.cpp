#include "app/spruce_app.h"

#include "app/spruce_dlg.h"
#include "res/resource.h"

#include <commctrl.h>
#include <ole2.h>

BOOL CSpruceApp::InitInstance() {
  // The survey probes every drive letter: an empty card reader or optical drive must fail
  // quietly, not stop the walk behind a "no disk" box.
  SetErrorMode(SetErrorMode(SEM_FAILCRITICALERRORS) | SEM_FAILCRITICALERRORS);
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  CWinApp::InitInstance();
  if (!AfxSocketInit()) {
    AfxMessageBox(IDP_SOCKETS_INIT_FAILED);
    return FALSE;
  }
  // The shell's folder browser of the folder-moving tool needs COM on this thread.
  HRESULT ole = OleInitialize(nullptr);
  CSpruceDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  if (SUCCEEDED(ole)) OleUninitialize();
  // The dialog was the program: end without a message loop.
  return FALSE;
}
