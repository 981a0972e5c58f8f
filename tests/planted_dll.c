/* A DLL that the DLL-search test lays beside the test program, where a planted one would lie. */
#include <windows.h>

__declspec(dllexport) int PlantedDllAnswer(void) { return 42; }
