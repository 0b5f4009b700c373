#include "fake_host.h"

#include <algorithm>
#include <sstream>

namespace fake {

HostState& Host() {
    static HostState state;
    return state;
}

int HostState::CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
        return call.compare(0, prefix.size(), prefix) == 0;
    }));
}

COLORREF SceneColor(int width, int height, int x, int y) {
    const int side = std::max(1, std::min(width, height) / 4);
    const bool left = x < side, right = x >= width - side, top = y < side, bottom = y >= height - side;
    if (top && left) return RGB(255, 0, 0);
    if (top && right) return RGB(0, 255, 0);
    if (bottom && left) return RGB(0, 0, 255);
    if (bottom && right) return RGB(255, 255, 0);
    return RGB(96, 96, 96);
}

std::string Narrow(const wchar_t* text) {
    if (!text) return "(null)";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

namespace {

// "name(arg,arg)", or "name" without arguments; the plugin id shows only
// when it is not the viewer's, as "id=<n>" before the arguments.
template <typename... Args>
void Record(std::uint32_t id, const char* name, const Args&... args) {
    std::ostringstream out;
    out << name;
    const char* separator = "(";
    if (id != kPluginId) {
        out << separator << "id=" << id;
        separator = ",";
    }
    ((out << separator << args, separator = ","), ...);
    if (*separator == ',') out << ')';
    Host().calls.push_back(out.str());
}

void RegisterEvent(std::uint32_t id, const char* name, HostCallback callback) {
    Record(id, name);
    Host().events[name] = callback;
}

}  // namespace
}  // namespace fake

using fake::Host;
using fake::HostCallback;
using fake::Narrow;
using fake::Record;

extern "C" {

std::int64_t WINAPI get_selected_id(std::uint32_t id) { Record(id, "get_selected_id"); return 5; }
std::int64_t WINAPI get_all_objects_id(std::uint32_t id) { Record(id, "get_all_objects_id"); return 6; }

void WINAPI on_measure_change(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_measure_change", cb); }
void WINAPI on_model_load(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_model_load", cb); }
void WINAPI on_selection_change(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_selection_change", cb); }
void WINAPI on_draw(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_draw", cb); }
void WINAPI on_context_menu(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_context_menu", cb); }
void WINAPI on_tab_change(std::uint32_t id, HostCallback cb) { fake::RegisterEvent(id, "on_tab_change", cb); }

const wchar_t* WINAPI get_loaded_ifc_path(std::uint32_t id) {
    Record(id, "get_loaded_ifc_path");
    return Host().reports_path ? Host().loaded_path.c_str() : nullptr;
}

const wchar_t* WINAPI get_language(std::uint32_t id) {
    Record(id, "get_language");
    return Host().language.c_str();
}

std::uint8_t WINAPI load_texts(std::uint32_t id, const wchar_t* path) {
    Record(id, "load_texts", Narrow(path));
    return 1;
}

const wchar_t* WINAPI get_text(std::uint32_t id, const char* key) {
    Record(id, "get_text", key ? key : "(null)");
    const auto found = Host().texts.find(key ? key : "");
    return found == Host().texts.end() ? nullptr : found->second.c_str();
}

std::int32_t WINAPI create_button(std::uint32_t id, std::int32_t zero, HostCallback callback) {
    Record(id, "create_button", zero);
    Host().button_callback = callback;
    return Host().button_id;
}

void WINAPI set_button_text(std::uint32_t id, std::int32_t button, const wchar_t* caption, const wchar_t* hint) {
    Record(id, "set_button_text", button, Narrow(caption), Narrow(hint));
}

void WINAPI set_button_image(std::uint32_t id, std::int32_t button, const wchar_t* path) {
    Record(id, "set_button_image", button, Narrow(path));
}

void WINAPI set_button_small_image(std::uint32_t id, std::int32_t button, const wchar_t* path) {
    Record(id, "set_button_small_image", button, Narrow(path));
}

void WINAPI enable_button(std::uint32_t id, std::int32_t button, std::uint8_t enabled) {
    Record(id, "enable_button", button, static_cast<int>(enabled));
}

std::int32_t WINAPI clicked_button(std::uint32_t id) {
    Record(id, "clicked_button");
    return Host().clicked_button;
}

std::uint32_t WINAPI get_gui_color(std::uint32_t id, std::int32_t number) {
    Record(id, "get_gui_color", number);
    return Host().gui_color;
}

void WINAPI get_view_rect(std::uint32_t id, std::int32_t* rect) {
    Record(id, "get_view_rect");
    if (Host().fills_view) std::copy(Host().view, Host().view + 4, rect);
}

std::uint8_t WINAPI is_touch_mode(std::uint32_t id) {
    Record(id, "is_touch_mode");
    return 0;
}

std::uint8_t WINAPI render_screenshot(std::uint32_t id, std::int32_t width, std::int32_t height,
                                      std::uint8_t* rows) {
    Record(id, "render_screenshot", width, height);
    if (!Host().render_succeeds) return 0;
    // Rows from the bottom up, each pixel red, green, blue.
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const COLORREF color = fake::SceneColor(width, height, x, height - 1 - row);
            std::uint8_t* pixel = rows + (static_cast<std::size_t>(row) * width + x) * 3;
            pixel[0] = GetRValue(color);
            pixel[1] = GetGValue(color);
            pixel[2] = GetBValue(color);
        }
    }
    return 1;
}

void WINAPI set_screenshot_style(std::uint32_t id, std::int32_t style) { Record(id, "set_screenshot_style", style); }

}  // extern "C"
