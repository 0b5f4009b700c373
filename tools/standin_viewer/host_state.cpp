#include "host_state.h"

#include <psapi.h>

#include "host_log.h"
#include "resource_counts.h"
#include "viewer_window.h"

namespace standin {

const char* HostEventName(HostEvent event) {
    static constexpr const char* kNames[kHostEventCount] = {
        "measure_change", "model_load", "selection_change", "draw", "context_menu", "tab_change"};
    return kNames[static_cast<std::size_t>(event)];
}

HostState& Host() {
    static HostState state;
    return state;
}

PluginButton* HostState::FindButton(std::int32_t id) {
    for (PluginButton& button : buttons)
        if (button.id == id) return &button;
    return nullptr;
}

void HostState::Register(HostEvent event, tamsel::HostCallback callback) {
    callbacks[static_cast<std::size_t>(event)] = callback;
}

void HostState::Fire(HostEvent event) {
    const tamsel::HostCallback callback = callbacks[static_cast<std::size_t>(event)];
    LogViewer(std::string("event ") + HostEventName(event) + (callback ? "" : " (no callback)"));
    if (!callback) return;
    callback();
    if (timing) LogViewer(std::string("event ") + HostEventName(event) + " returned, " + PeakWorkingSetText());
}

void HostState::Click(std::int32_t button_id) {
    const PluginButton* button = FindButton(button_id);
    const tamsel::HostCallback callback = button ? button->callback : nullptr;
    if (!callback) return;
    LogViewer("button " + std::to_string(button_id) + " clicked");
    clicked_button = button_id;
    callback();
    clicked_button = 0;
    LogViewer("button " + std::to_string(button_id) + " callback returned");
}

std::string PeakWorkingSetText() {
    PROCESS_MEMORY_COUNTERS counters{};
    const SIZE_T peak =
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
    return "peak working set " + std::to_string(peak) + " bytes";
}

std::string ResourceCountsText() {
    const resource_counts::ResourceCounts counts = resource_counts::TakeResourceCounts();
    return "gdi_objects=" + std::to_string(counts.gdi_objects) + " user_objects=" +
           std::to_string(counts.user_objects) + " kernel_handles=" + std::to_string(counts.kernel_handles) +
           " heap_bytes=" + std::to_string(counts.heap_bytes) + " working_set_bytes=" +
           std::to_string(counts.working_set_bytes) +
           " peak_working_set_bytes=" + std::to_string(resource_counts::PeakWorkingSetBytes());
}

void HostState::ForgetPlugin() {
    callbacks.fill(nullptr);
    buttons.clear();
    if (window) window->RemoveButtons();
}

}  // namespace standin
