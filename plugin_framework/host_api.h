// The viewer's functions, found by name among the exports of its executable.
// One list drives the slot table, the lookup loop and the call-throughs.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host_function_list.h"

namespace tamsel {

using PluginId = std::uint32_t;
using HostCallback = void(WINAPI*)();

enum class HostSlot : int {
#define TAMSEL_SLOT_USED(name, result, params, args) name,
#define TAMSEL_SLOT_UNUSED(name) name,
    TAMSEL_HOST_FUNCTIONS(TAMSEL_SLOT_USED, TAMSEL_SLOT_UNUSED)
#undef TAMSEL_SLOT_USED
#undef TAMSEL_SLOT_UNUSED
    count
};

inline constexpr int kHostFunctionCount = static_cast<int>(HostSlot::count);

// Fills the table once per process from the exports of `executable`.
void BindHostFunctions(HMODULE executable);

// The same with any lookup, for tests. Fills the table again.
using HostLookup = FARPROC (*)(void* context, const char* name);
void BindHostFunctionsWith(HostLookup lookup, void* context);

bool HostFunctionsBound();
FARPROC HostFunctionAddress(HostSlot slot);
const char* HostFunctionName(HostSlot slot);

// Call-throughs: an empty slot yields zero or null, or does nothing.
namespace host {
#define TAMSEL_DECLARE_USED(name, result, params, args) result name params;
#define TAMSEL_DECLARE_UNUSED(name)
TAMSEL_HOST_FUNCTIONS(TAMSEL_DECLARE_USED, TAMSEL_DECLARE_UNUSED)
#undef TAMSEL_DECLARE_USED
#undef TAMSEL_DECLARE_UNUSED
}  // namespace host

}  // namespace tamsel
