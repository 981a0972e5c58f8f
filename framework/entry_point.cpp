// The program's entry point lives in the framework: the program itself only defines its one
// static application object.
#include "framework/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) { return AfxWinMain(instance); }
