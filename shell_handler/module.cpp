#include "module.h"

namespace tamsel {

namespace {
HINSTANCE g_module = nullptr;
volatile LONG g_server_count = 0;
}  // namespace

HINSTANCE ModuleHandle() { return g_module; }
void SetModuleHandle(HINSTANCE module) { g_module = module; }

void IncrementServerCount() { InterlockedIncrement(&g_server_count); }
void DecrementServerCount() { InterlockedDecrement(&g_server_count); }
bool ServerIsInUse() { return g_server_count > 0; }

}  // namespace tamsel
