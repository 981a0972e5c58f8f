// The application object: starts the platform and runs the main window.
#pragma once

#include "framework/framework.h"

class CSpruceApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
