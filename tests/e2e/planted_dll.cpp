// A DLL that does nothing, which planted_dlls.sh puts beside the program
// under the names of system DLLs: Wine's loader trace names it wherever a
// load finds it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
