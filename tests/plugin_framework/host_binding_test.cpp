#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host_api.h"
#include "recording_host.h"
#include "viewer_names.h"

namespace {

using tamsel::HostSlot;
namespace host = tamsel::host;

TEST(HostBinding, LooksUpExactlyTheViewersNamesInTheirOrder) {
    static_assert(std::size(kViewerNames) == 122);
    ASSERT_EQ(tamsel::kHostFunctionCount, 122);
    BindRecordingHost({"get_text", "set_color"});

    ASSERT_EQ(TestHost().looked_up.size(), std::size(kViewerNames));
    for (std::size_t i = 0; i < std::size(kViewerNames); ++i) {
        EXPECT_EQ(TestHost().looked_up[i], kViewerNames[i]) << "lookup " << i;
        EXPECT_STREQ(tamsel::HostFunctionName(static_cast<HostSlot>(i)), kViewerNames[i]);
    }
    EXPECT_TRUE(tamsel::HostFunctionsBound());
    EXPECT_EQ(tamsel::HostFunctionAddress(HostSlot::get_text), nullptr);
    EXPECT_EQ(tamsel::HostFunctionAddress(HostSlot::set_color), nullptr);
    EXPECT_NE(tamsel::HostFunctionAddress(HostSlot::set_color_object), nullptr) << "unused names are kept too";
    EXPECT_NE(tamsel::HostFunctionAddress(HostSlot::render_screenshot), nullptr);
}

TEST(HostBinding, IsFilledOncePerProcessFromTheExecutable) {
    BindRecordingHost();
    const FARPROC bound = tamsel::HostFunctionAddress(HostSlot::get_language);
    ASSERT_NE(bound, nullptr) << "the recording host exports get_language";
    // The test program exports nothing: a second fill would empty every slot.
    tamsel::BindHostFunctions(GetModuleHandleW(nullptr));
    EXPECT_EQ(tamsel::HostFunctionAddress(HostSlot::get_language), bound);
}

// One call of each of the 23 call-throughs, with distinct arguments.
struct CallThrough {
    const char* name;
    std::function<std::int64_t()> call;  // the result as a number; texts as 1 (non-null) or 0
    std::string recorded;                // the call the host saw
};

void WINAPI SomeCallback() {}

std::vector<CallThrough> AllCallThroughs(std::int32_t* rect, std::uint8_t* pixels) {
    const auto text = [](const wchar_t* result) -> std::int64_t { return result != nullptr; };
    return {
        {"get_selected_id", [] { return host::get_selected_id(7); }, "get_selected_id(7)"},
        {"get_all_objects_id", [] { return host::get_all_objects_id(7); }, "get_all_objects_id(7)"},
        {"on_measure_change", [] { host::on_measure_change(7, SomeCallback); return 0; }, "on_measure_change(7, callback)"},
        {"get_loaded_ifc_path", [=] { return text(host::get_loaded_ifc_path(7)); }, "get_loaded_ifc_path(7)"},
        {"on_model_load", [] { host::on_model_load(7, SomeCallback); return 0; }, "on_model_load(7, callback)"},
        {"on_selection_change", [] { host::on_selection_change(7, SomeCallback); return 0; }, "on_selection_change(7, callback)"},
        {"on_draw", [] { host::on_draw(7, SomeCallback); return 0; }, "on_draw(7, callback)"},
        {"get_language", [=] { return text(host::get_language(7)); }, "get_language(7)"},
        {"load_texts", [] { return host::load_texts(7, L"C:\\d\\lang.en"); }, "load_texts(7, \"C:\\d\\lang.en\")"},
        {"get_text", [=] { return text(host::get_text(7, "btn_yes")); }, "get_text(7, \"btn_yes\")"},
        {"create_button", [] { return host::create_button(7, 0, SomeCallback); }, "create_button(7, 0, callback)"},
        {"set_button_text", [] { host::set_button_text(7, 101, L"caption", L"hint"); return 0; },
         "set_button_text(7, 101, \"caption\", \"hint\")"},
        {"set_button_image", [] { host::set_button_image(7, 101, L"big.png"); return 0; },
         "set_button_image(7, 101, \"big.png\")"},
        {"set_button_small_image", [] { host::set_button_small_image(7, 101, L"small.png"); return 0; },
         "set_button_small_image(7, 101, \"small.png\")"},
        {"enable_button", [] { host::enable_button(7, 101, 1); return 0; }, "enable_button(7, 101, 1)"},
        {"clicked_button", [] { return host::clicked_button(7); }, "clicked_button(7)"},
        {"on_context_menu", [] { host::on_context_menu(7, SomeCallback); return 0; }, "on_context_menu(7, callback)"},
        {"on_tab_change", [] { host::on_tab_change(7, SomeCallback); return 0; }, "on_tab_change(7, callback)"},
        {"get_gui_color", [] { return host::get_gui_color(7, 1); }, "get_gui_color(7, 1)"},
        {"get_view_rect", [=] { host::get_view_rect(7, rect); return 0; }, "get_view_rect(7, pointer)"},
        {"is_touch_mode", [] { return host::is_touch_mode(7); }, "is_touch_mode(7)"},
        {"render_screenshot", [=] { return host::render_screenshot(7, 512, 384, pixels); },
         "render_screenshot(7, 512, 384, pointer)"},
        {"set_screenshot_style", [] { host::set_screenshot_style(7, 1); return 0; }, "set_screenshot_style(7, 1)"},
    };
}

TEST(HostBinding, CallThroughsPassTheirArgumentsAndResults) {
    BindRecordingHost();
    // Results with high bits set, so that a narrowed or mistyped result shows.
    TestHost().numbers = {{"get_selected_id", 0x123456789ALL}, {"get_all_objects_id", -2},
                          {"load_texts", 1}, {"create_button", 101}, {"clicked_button", 102},
                          {"get_gui_color", 0x00C0FFEE}, {"is_touch_mode", 1}, {"render_screenshot", 1}};
    TestHost().texts = {{"get_loaded_ifc_path", L"C:\\m.ifc"}, {"get_language", L"de"}, {"get_text", L"Ja"}};
    const std::map<std::string, std::int64_t> expected = {
        {"get_selected_id", 0x123456789ALL}, {"get_all_objects_id", -2}, {"get_loaded_ifc_path", 1},
        {"get_language", 1}, {"load_texts", 1}, {"get_text", 1}, {"create_button", 101},
        {"clicked_button", 102}, {"get_gui_color", 0x00C0FFEE}, {"is_touch_mode", 1}, {"render_screenshot", 1}};

    std::int32_t rect[4] = {};
    std::uint8_t pixels[3] = {};
    const auto cases = AllCallThroughs(rect, pixels);
    ASSERT_EQ(cases.size(), 23u);
    for (const CallThrough& c : cases) {
        TestHost().calls.clear();
        const auto found = expected.find(c.name);
        EXPECT_EQ(c.call(), found == expected.end() ? 0 : found->second) << c.name;
        EXPECT_EQ(TestHost().calls, std::vector<std::string>{c.recorded}) << c.name;
    }
}

TEST(HostBinding, MissingFunctionsYieldZeroOrNullOrNothing) {
    std::set<std::string> all_used;
    std::int32_t rect[4] = {-5, -5, -5, -5};
    std::uint8_t pixels[3] = {9, 9, 9};
    for (const CallThrough& c : AllCallThroughs(rect, pixels)) all_used.insert(c.name);
    BindRecordingHost(all_used);
    // Answers that a bound function would give: none may come back.
    TestHost().numbers = {{"get_selected_id", 5}, {"load_texts", 1}, {"render_screenshot", 1}};
    TestHost().texts = {{"get_text", L"x"}, {"get_language", L"de"}};

    for (const CallThrough& c : AllCallThroughs(rect, pixels)) EXPECT_EQ(c.call(), 0) << c.name;
    EXPECT_TRUE(TestHost().calls.empty());
    EXPECT_EQ(rect[0], -5) << "the rectangle is left unfilled";
    EXPECT_EQ(pixels[0], 9) << "the buffer is left alone";
}

}  // namespace
