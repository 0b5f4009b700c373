#include "entry_points.h"

#include <utility>

namespace tamsel {
namespace {

// The single plugin object, from process attach to process detach.
PluginBase* g_plugin = nullptr;

// A reference to this module from on_plugin_load to on_plugin_unload. A viewer
// that frees the module without unloading the plugin leaves it loaded, with
// its callbacks still valid, and process detach then comes only at the end of
// the process: never with a dialog or GDI+ to release under the loader lock.
HMODULE g_loaded_pin = nullptr;

void PinModule() noexcept {
    if (g_loaded_pin) return;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&g_loaded_pin),
                       &g_loaded_pin);
}

void UnpinModule() noexcept {
    if (const HMODULE pin = std::exchange(g_loaded_pin, nullptr)) FreeLibrary(pin);
}

// Runs `step` on the plugin object, if there is one; nothing thrown gets out to
// the viewer.
template <typename Step>
void WithPlugin(Step step) noexcept {
    if (!g_plugin) return;
    try {
        step(*g_plugin);
    } catch (...) {
    }
}

template <void (PluginBase::*Operation)()>
void WINAPI ForwardEvent() {
    WithPlugin([](PluginBase& plugin) { (plugin.*Operation)(); });
}

void WINAPI ForwardButtonClick() {
    WithPlugin([](PluginBase& plugin) { plugin.on_button_click(host::clicked_button(plugin.id())); });
}

struct EventRegistration {
    void (*register_with_host)(PluginId, HostCallback);
    HostCallback callback;
};

// In the order the viewer is told about them; a missing one is skipped by its
// empty call-through.
constexpr EventRegistration kEventRegistrations[] = {
    {host::on_measure_change, ForwardEvent<&PluginBase::on_measure_change>},
    {host::on_model_load, ForwardEvent<&PluginBase::on_model_load>},
    {host::on_selection_change, ForwardEvent<&PluginBase::on_selection_change>},
    {host::on_draw, ForwardEvent<&PluginBase::on_draw>},
    {host::on_context_menu, ForwardEvent<&PluginBase::on_context_menu>},
    {host::on_tab_change, ForwardEvent<&PluginBase::on_tab_change>},
};

}  // namespace
}  // namespace tamsel

using namespace tamsel;

// Runs under the loader lock: it binds the viewer's functions and builds or
// destroys the plugin object, and calls nothing of the shell, GDI+ or the
// window system.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        BindHostFunctions(GetModuleHandleW(nullptr));
        try {
            g_plugin = CreatePlugin(instance);
        } catch (...) {
            g_plugin = nullptr;
        }
        break;
    case DLL_PROCESS_DETACH:
        delete std::exchange(g_plugin, nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}

// The viewer may hand over null records; they are left alone.
void WINAPI get_api_verion(const ApiVersion* host_version, ApiVersion* plugin_version) {
    if (plugin_version) *plugin_version = ApiVersion{5, 4};
    if (host_version) WithPlugin([host_version](PluginBase& plugin) { plugin.on_api_version(host_version); });
}

void WINAPI get_plugin_info(PluginInfo* info) {
    if (info) WithPlugin([info](PluginBase& plugin) { plugin.get_plugin_info(info); });
}

void WINAPI on_plugin_load(PluginId id, std::uint8_t unused, HWND window) {
    if (g_plugin) PinModule();
    WithPlugin([=](PluginBase& plugin) {
        plugin.set_button_callback(ForwardButtonClick);
        for (const EventRegistration& registration : kEventRegistrations)
            registration.register_with_host(id, registration.callback);
        plugin.on_plugin_load(id, unused, window);
    });
}

void on_plugin_unload() {
    WithPlugin([](PluginBase& plugin) { plugin.on_plugin_unload(); });
    // An unload from inside the plugin's own message loop returns into that
    // loop, whose code must stay: the reference is then kept, until an unload
    // outside the loop or the end of the process.
    if (!g_plugin || !g_plugin->in_modal_loop()) UnpinModule();
}

void on_gui_colors_change() {
    WithPlugin([](PluginBase& plugin) { plugin.on_gui_colors_change(); });
}
