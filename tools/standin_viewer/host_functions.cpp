// The viewer's functions, exported from its executable by name (the .def is
// made from the same list). Each logs its call; the ones a plugin of this
// project calls behave as the viewer's contract says, the others do nothing.
#include <string>

#include "host_log.h"
#include "host_state.h"
#include "scene.h"
#include "viewer_window.h"

using tamsel::HostCallback;
using tamsel::PluginId;
using namespace standin;

extern "C" {
#define STANDIN_DECLARE_USED(name, result, params, args) result WINAPI name params;
#define STANDIN_DEFINE_UNUSED(name) \
    void WINAPI name() { LogCall(#name, {}); }
TAMSEL_HOST_FUNCTIONS(STANDIN_DECLARE_USED, STANDIN_DEFINE_UNUSED)
#undef STANDIN_DECLARE_USED
#undef STANDIN_DEFINE_UNUSED
}

namespace {

std::string Callback(HostCallback callback) { return callback ? "callback" : "null"; }
std::string Number(std::int64_t value) { return std::to_string(value); }

void RegisterCallback(const char* name, HostEvent event, PluginId id, HostCallback callback) {
    LogCall(name, {Number(id), Callback(callback)});
    Host().Register(event, callback);
}

void RefreshButton(std::int32_t button_id) {
    if (Host().window) Host().window->RefreshButton(button_id);
}

}  // namespace

extern "C" {

std::int64_t WINAPI get_selected_id(PluginId id) {
    LogCall("get_selected_id", {Number(id)}, "0");
    return 0;
}

std::int64_t WINAPI get_all_objects_id(PluginId id) {
    // Any nonzero value stands for "the whole model" while one is loaded.
    const std::int64_t all = Host().model_path ? 0x100000001LL : 0;
    LogCall("get_all_objects_id", {Number(id)}, Number(all));
    return all;
}

void WINAPI on_measure_change(PluginId id, HostCallback callback) {
    RegisterCallback("on_measure_change", HostEvent::measure_change, id, callback);
}

const wchar_t* WINAPI get_loaded_ifc_path(PluginId id) {
    const wchar_t* path = Host().model_path ? Host().model_path->c_str() : nullptr;
    LogCall("get_loaded_ifc_path", {Number(id)}, Quoted(path));
    return path;
}

void WINAPI on_model_load(PluginId id, HostCallback callback) {
    RegisterCallback("on_model_load", HostEvent::model_load, id, callback);
}

void WINAPI on_selection_change(PluginId id, HostCallback callback) {
    RegisterCallback("on_selection_change", HostEvent::selection_change, id, callback);
}

void WINAPI on_draw(PluginId id, HostCallback callback) {
    RegisterCallback("on_draw", HostEvent::draw, id, callback);
}

const wchar_t* WINAPI get_language(PluginId id) {
    LogCall("get_language", {Number(id)}, Quoted(Host().language.c_str()));
    return Host().language.c_str();
}

std::uint8_t WINAPI load_texts(PluginId id, const wchar_t* path) {
    std::optional<Texts> texts = path ? LoadTextsFile(path) : std::nullopt;
    if (texts) {
        Host().texts = std::move(*texts);
        Host().texts_path = path;
    }
    LogCall("load_texts", {Number(id), Quoted(path)}, texts ? "1" : "0");
    return texts ? 1 : 0;
}

const wchar_t* WINAPI get_text(PluginId id, const char* key) {
    const wchar_t* text = nullptr;
    if (key) {
        const auto found = Host().texts.find(Wide(key));
        if (found != Host().texts.end()) text = found->second.c_str();
    }
    LogCall("get_text", {Number(id), Quoted(key)}, Quoted(text));
    return text;
}

std::int32_t WINAPI create_button(PluginId id, std::int32_t zero, HostCallback callback) {
    PluginButton button;
    button.id = Host().next_button_id++;
    button.callback = callback;
    Host().buttons.push_back(button);
    if (Host().window) Host().window->AddButton(button.id);
    LogCall("create_button", {Number(id), Number(zero), Callback(callback)}, Number(button.id));
    return button.id;
}

void WINAPI set_button_text(PluginId id, std::int32_t button_id, const wchar_t* caption, const wchar_t* hint) {
    LogCall("set_button_text", {Number(id), Number(button_id), Quoted(caption), Quoted(hint)});
    if (PluginButton* button = Host().FindButton(button_id)) {
        button->caption = caption ? caption : L"";
        button->hint = hint ? hint : L"";
        RefreshButton(button_id);
    }
}

void WINAPI set_button_image(PluginId id, std::int32_t button_id, const wchar_t* png_path) {
    LogCall("set_button_image", {Number(id), Number(button_id), Quoted(png_path)});
    if (PluginButton* button = Host().FindButton(button_id)) {
        button->image_path = png_path ? png_path : L"";
        RefreshButton(button_id);
    }
}

void WINAPI set_button_small_image(PluginId id, std::int32_t button_id, const wchar_t* png_path) {
    LogCall("set_button_small_image", {Number(id), Number(button_id), Quoted(png_path)});
    if (PluginButton* button = Host().FindButton(button_id)) {
        button->small_image_path = png_path ? png_path : L"";
        RefreshButton(button_id);
    }
}

void WINAPI enable_button(PluginId id, std::int32_t button_id, std::uint8_t enabled) {
    LogCall("enable_button", {Number(id), Number(button_id), Number(enabled)});
    if (PluginButton* button = Host().FindButton(button_id)) {
        button->enabled = enabled != 0;
        RefreshButton(button_id);
    }
}

std::int32_t WINAPI clicked_button(PluginId id) {
    LogCall("clicked_button", {Number(id)}, Number(Host().clicked_button));
    return Host().clicked_button;
}

void WINAPI on_context_menu(PluginId id, HostCallback callback) {
    RegisterCallback("on_context_menu", HostEvent::context_menu, id, callback);
}

void WINAPI on_tab_change(PluginId id, HostCallback callback) {
    RegisterCallback("on_tab_change", HostEvent::tab_change, id, callback);
}

// COLORREF values (0x00BBGGRR): 0 window, 1 panel (the dialog background), 2 text.
std::uint32_t WINAPI get_gui_color(PluginId id, std::int32_t number) {
    const COLORREF color = number == 0   ? RGB(255, 255, 255)
                           : number == 1 ? Host().panel_color
                                         : RGB(0, 0, 0);
    LogCall("get_gui_color", {Number(id), Number(number)}, Number(color));
    return color;
}

void WINAPI get_view_rect(PluginId id, std::int32_t* left_top_right_bottom) {
    RECT rect{};
    if (Host().reported_view_rect)
        rect = *Host().reported_view_rect;
    else if (Host().window)
        GetWindowRect(Host().window->view(), &rect);
    if (!Host().fills_view_rect) {
        LogCall("get_view_rect", {Number(id), left_top_right_bottom ? "rect" : "null"}, "unfilled");
        return;
    }
    if (left_top_right_bottom) {
        left_top_right_bottom[0] = rect.left;
        left_top_right_bottom[1] = rect.top;
        left_top_right_bottom[2] = rect.right;
        left_top_right_bottom[3] = rect.bottom;
    }
    LogCall("get_view_rect", {Number(id), left_top_right_bottom ? "rect" : "null"},
            RectText(rect.left, rect.top, rect.right, rect.bottom));
}

std::uint8_t WINAPI is_touch_mode(PluginId id) {
    LogCall("is_touch_mode", {Number(id)}, "0");
    return 0;
}

std::uint8_t WINAPI render_screenshot(PluginId id, std::int32_t width, std::int32_t height,
                                      std::uint8_t* rgb_rows_bottom_up) {
    const std::wstring* model = Host().model_path ? &*Host().model_path : nullptr;
    const bool rendered = !Host().render_fails &&
                          RenderSceneBottomUp(width, height, SceneLabel(model), rgb_rows_bottom_up);
    LogCall("render_screenshot", {Number(id), Number(width), Number(height), rgb_rows_bottom_up ? "buffer" : "null"},
            rendered ? "1" : "0");
    return rendered ? 1 : 0;
}

void WINAPI set_screenshot_style(PluginId id, std::int32_t style) {
    LogCall("set_screenshot_style", {Number(id), Number(style)});
    Host().screenshot_style = style;
}

}  // extern "C"

