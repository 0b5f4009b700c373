// The stand-in viewer's command line: settings, then actions run in order.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "dialog_watcher.h"
#include "host_state.h"

namespace standin {

struct Settings {
    std::wstring plugin_path;
    int view_width = 800;
    int view_height = 600;
    std::wstring language = L"en";
    std::wstring log_path;
    tamsel::PluginId plugin_id = kDefaultPluginId;
    bool timing = false;  // time-stamped log lines and peak working set figures
};

struct Action {
    enum class Kind {
        load,          // text: the model's path
        load_none,
        click,
        answer,        // answer
        save_window,   // text: PNG path
        save_dialog,   // text: PNG path
        view_rect,     // rect
        view_unfilled,
        render_fails,
        render_works,
        event,         // event
        gui_color,     // color
        language,      // text: language code
        unload,
        repeat,        // count, body
        counts,        // text: label
        leak,
    };
    Kind kind = Kind::load;
    std::wstring text;
    long count = 0;
    std::vector<Action> body;
    RECT rect{};
    DialogAnswer answer = DialogAnswer::close;
    HostEvent event = HostEvent::measure_change;
    COLORREF color = 0;
};

struct Script {
    Settings settings;
    std::vector<Action> actions;
};

// The script of the arguments (without the program name); nothing, with
// `error` set, when an argument is unknown or malformed.
std::optional<Script> ParseScript(const std::vector<std::wstring>& arguments, std::wstring* error);

extern const wchar_t kUsage[];

}  // namespace standin
