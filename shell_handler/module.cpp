#include "module.h"

#include <atomic>

namespace tamsel {

namespace {
HINSTANCE g_module = nullptr;
// Objects die on whatever thread releases them last: every read and change is atomic.
std::atomic<long> g_server_count{0};
}  // namespace

HINSTANCE ModuleHandle() { return g_module; }
void SetModuleHandle(HINSTANCE module) { g_module = module; }

void IncrementServerCount() { ++g_server_count; }
void DecrementServerCount() { --g_server_count; }
bool ServerIsInUse() { return g_server_count.load() > 0; }

}  // namespace tamsel
