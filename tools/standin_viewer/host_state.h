// What the viewer knows about its plugin and its model: the state that the
// host functions read and change. Used on the user-interface thread only.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host_api.h"
#include "texts_file.h"

namespace standin {

class ViewerWindow;

inline constexpr tamsel::PluginId kDefaultPluginId = 7;
inline constexpr std::int32_t kFirstButtonId = 101;
inline constexpr COLORREF kDefaultPanelColor = RGB(214, 228, 240);

// The events a plugin can register a callback for, in registration order.
enum class HostEvent { measure_change, model_load, selection_change, draw, context_menu, tab_change };
inline constexpr std::size_t kHostEventCount = 6;
const char* HostEventName(HostEvent event);

struct PluginButton {
    std::int32_t id = 0;
    tamsel::HostCallback callback = nullptr;
    std::wstring caption;
    std::wstring hint;
    std::wstring image_path;
    std::wstring small_image_path;
    bool enabled = true;
};

struct HostState {
    tamsel::PluginId plugin_id = kDefaultPluginId;
    std::wstring language = L"en";
    std::wstring texts_path;  // of the texts loaded last
    Texts texts;
    std::optional<std::wstring> model_path;  // nothing: no model loaded
    std::optional<RECT> reported_view_rect;  // overrides the view's real rectangle
    bool fills_view_rect = true;             // false: get_view_rect writes nothing
    bool render_fails = false;
    std::int32_t screenshot_style = 0;
    COLORREF panel_color = kDefaultPanelColor;
    std::int32_t clicked_button = 0;  // while a button's callback runs
    std::array<tamsel::HostCallback, kHostEventCount> callbacks{};
    std::vector<PluginButton> buttons;
    std::int32_t next_button_id = kFirstButtonId;
    ViewerWindow* window = nullptr;
    bool timing = false;  // log each event's return and the peak working set

    PluginButton* FindButton(std::int32_t id);
    void Register(HostEvent event, tamsel::HostCallback callback);
    // Calls the plugin's callback for the event, if it registered one.
    void Fire(HostEvent event);
    // Runs the button's callback with clicked_button answering its id.
    void Click(std::int32_t button_id);
    // The plugin is gone: forget its callbacks and buttons.
    void ForgetPlugin();
};

HostState& Host();

// "peak working set <bytes> bytes": the process's peak so far.
std::string PeakWorkingSetText();

// "gdi_objects=<n> user_objects=<n> kernel_handles=<n> heap_bytes=<n>
// working_set_bytes=<n> peak_working_set_bytes=<n>": what the process holds
// now (-1 for a count that cannot be taken), counted as tools/resource_counts does.
std::string ResourceCountsText();

}  // namespace standin
