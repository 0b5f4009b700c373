// Module-wide state of the COM server: its own handle and the count of live
// objects and locks that keeps it loaded.
#pragma once

#include <windows.h>

namespace tamsel {

HINSTANCE ModuleHandle();
void SetModuleHandle(HINSTANCE module);

// Class factories, handler objects and LockServer(TRUE) calls each hold one count.
void IncrementServerCount();
void DecrementServerCount();
bool ServerIsInUse();

}  // namespace tamsel
