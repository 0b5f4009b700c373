// A module that carries the handler's resources and nothing else. Tests copy it
// into folders of their own, to give the pane a module whose folder they control.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
