// The program's one static object; the framework's entry point runs it.
#include "app/spruce_app.h"

CSpruceApp theApp;
