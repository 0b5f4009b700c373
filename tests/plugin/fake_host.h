// The viewer's side for the plugin under test: this test program exports the
// host functions the plugin binds by name, scripts their answers and records
// every call in order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fake {

using HostCallback = void(WINAPI*)();

inline constexpr std::uint32_t kPluginId = 42;

struct HostState {
    // "name(arg,arg)" per call, "name" without arguments; a wrong plugin id shows as "name(id=<n>,...)".
    std::vector<std::string> calls;

    std::wstring language = L"en";
    std::map<std::string, std::wstring> texts;
    bool reports_path = true;  // false: get_loaded_ifc_path gives null
    std::wstring loaded_path;
    bool fills_view = true;    // false: get_view_rect leaves the rectangle alone
    std::int32_t view[4] = {0, 0, 1000, 600};
    bool render_succeeds = true;
    std::uint32_t gui_color = RGB(0xE8, 0xF0, 0xFF);
    std::int32_t button_id = 7;
    std::int32_t clicked_button = 7;

    std::map<std::string, HostCallback> events;
    HostCallback button_callback = nullptr;

    int CountCalls(const std::string& prefix) const;
};

HostState& Host();

// The scene the fake viewer renders: corner squares red top-left, green
// top-right, blue bottom-left, yellow bottom-right, on grey. (x, y) from the top.
COLORREF SceneColor(int width, int height, int x, int y);

std::string Narrow(const wchar_t* text);

}  // namespace fake
