#include "host_api.h"

namespace tamsel {
namespace {

constexpr const char* kHostFunctionNames[] = {
#define TAMSEL_NAME_USED(name, result, params, args) #name,
#define TAMSEL_NAME_UNUSED(name) #name,
    TAMSEL_HOST_FUNCTIONS(TAMSEL_NAME_USED, TAMSEL_NAME_UNUSED)
#undef TAMSEL_NAME_USED
#undef TAMSEL_NAME_UNUSED
};
static_assert(sizeof(kHostFunctionNames) / sizeof(kHostFunctionNames[0]) == 122,
              "the viewer offers 122 functions");

FARPROC g_slots[kHostFunctionCount] = {};
bool g_bound = false;

FARPROC LookUpExport(void* executable, const char* name) {
    return GetProcAddress(static_cast<HMODULE>(executable), name);
}

template <typename Function>
Function SlotAs(HostSlot slot) {
    // Through the generic function type, which the compiler accepts for any cast.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(g_slots[static_cast<int>(slot)]));
}

}  // namespace

void BindHostFunctions(HMODULE executable) {
    if (g_bound) return;
    BindHostFunctionsWith(LookUpExport, executable);
}

void BindHostFunctionsWith(HostLookup lookup, void* context) {
    for (int i = 0; i < kHostFunctionCount; ++i)
        g_slots[i] = lookup ? lookup(context, kHostFunctionNames[i]) : nullptr;
    g_bound = true;
}

bool HostFunctionsBound() { return g_bound; }

FARPROC HostFunctionAddress(HostSlot slot) {
    const int index = static_cast<int>(slot);
    return index >= 0 && index < kHostFunctionCount ? g_slots[index] : nullptr;
}

const char* HostFunctionName(HostSlot slot) {
    const int index = static_cast<int>(slot);
    return index >= 0 && index < kHostFunctionCount ? kHostFunctionNames[index] : nullptr;
}

namespace host {
// An empty slot gives the value-initialised result: 0, null, or nothing for void.
#define TAMSEL_DEFINE_USED(name, result, params, args)                      \
    result name params {                                                    \
        using Result = result;                                              \
        const auto function = SlotAs<Result(WINAPI*) params>(HostSlot::name); \
        if (!function) return Result();                                     \
        return function args;                                               \
    }
#define TAMSEL_DEFINE_UNUSED(name)
TAMSEL_HOST_FUNCTIONS(TAMSEL_DEFINE_USED, TAMSEL_DEFINE_UNUSED)
#undef TAMSEL_DEFINE_USED
#undef TAMSEL_DEFINE_UNUSED
}  // namespace host

}  // namespace tamsel
