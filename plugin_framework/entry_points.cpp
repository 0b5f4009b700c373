#include "entry_points.h"

#include <utility>

namespace tamsel {
namespace {

// The single plugin object, from process attach to process detach.
PluginBase* g_plugin = nullptr;

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

// Runs under the loader lock: it binds the viewer's functions and builds the
// plugin object, and calls nothing of the shell, GDI+ or the window system.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
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
        // A set `reserved` means the process is ending, not a FreeLibrary.
        if (g_plugin && reserved) g_plugin->mark_process_ending();
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
    WithPlugin([=](PluginBase& plugin) {
        plugin.set_button_callback(ForwardButtonClick);
        for (const EventRegistration& registration : kEventRegistrations)
            registration.register_with_host(id, registration.callback);
        plugin.on_plugin_load(id, unused, window);
    });
}

void on_plugin_unload() {
    WithPlugin([](PluginBase& plugin) { plugin.on_plugin_unload(); });
}

void on_gui_colors_change() {
    WithPlugin([](PluginBase& plugin) { plugin.on_gui_colors_change(); });
}
