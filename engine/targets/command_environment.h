// The environment the system commands (dism, powercfg) start with. Spruce's own environment
// holds the user's variables (HKCU\Environment), which any program the user runs can set, and a
// TEMP in the user's own Temp folder: dism unpacks its host and provider DLLs into TEMP and
// loads them elevated.
#pragma once

#include <windows.h>

// Units of an environment block built here, terminators included.
const size_t kCommandEnvironmentLength = 32768;

// Fills block (kCommandEnvironmentLength units) with the system's own variables and TEMP and
// TMP set to the Windows folder's "Temp", as a CREATE_UNICODE_ENVIRONMENT block; false when it
// cannot be built or would not fit.
bool BuildCommandEnvironment(wchar_t* block);
