// The plugin in a viewer: its load sequence and the automatic capture when a
// model is loaded.
#include "plugin_fixture.h"

#include "plugin_base.h"

namespace plugin_test {
namespace {

using fake::Host;
using fake::Narrow;
using Calls = std::vector<std::string>;

const Calls kModelLoadStart = {"get_loaded_ifc_path"};

// The host calls whose answers the plugin acts on, and its commands; the
// queries it makes at a model load without using their answers (the model's
// objects, the selection) are left out, so that no check depends on them.
Calls UsedCalls() {
    Calls used;
    for (const std::string& call : Host().calls) {
        if (call != "get_all_objects_id" && call != "get_selected_id") used.push_back(call);
    }
    return used;
}

class CaptureCommand : public PluginFixture {};

Calls Then(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

TEST_F(CaptureCommand, LoadRegistersEventsLoadsTextsAndCreatesTheDisabledButton) {
    Host().language = L"de";
    Host().texts = {{"btn_update_preview", L"Vorschau ersetzen"}, {"btn_update_preview.hint", L"Ansicht speichern"}};
    LoadPlugin();

    const std::string folder = Narrow(DataFolder().c_str());
    EXPECT_EQ(Host().calls, (Calls{"on_measure_change", "on_model_load", "on_selection_change", "on_draw",
                                   "on_context_menu", "on_tab_change", "is_touch_mode", "get_language",
                                   "load_texts " + folder + "lang.de", "create_button 0",
                                   "get_text btn_update_preview", "get_text btn_update_preview.hint",
                                   "set_button_text 7 Vorschau ersetzen Ansicht speichern",
                                   "set_button_image 7 " + folder + "icon.png",
                                   "set_button_small_image 7 " + folder + "icon_small.png", "enable_button 7 0",
                                   "set_screenshot_style 1"}));

    // The images the viewer is pointed at are there, beside the module.
    const Pixels icon = DecodeFile(DataFolder() + L"icon.png");
    const Pixels small_icon = DecodeFile(DataFolder() + L"icon_small.png");
    EXPECT_EQ(icon.width, 32);
    EXPECT_EQ(icon.height, 32);
    EXPECT_EQ(small_icon.width, 16);
    EXPECT_EQ(small_icon.height, 16);
}

TEST_F(CaptureCommand, ButtonTextsMissingFromTheViewerAreHandedOverAsNull) {
    LoadPlugin();
    EXPECT_EQ(Host().CountCalls("set_button_text 7 (null) (null)"), 1);
}

TEST_F(CaptureCommand, PluginInfoIsCompleteBeforeLoad) {
    tamsel::PluginInfo info = {};
    const auto get_plugin_info = ProcAddress<void(WINAPI*)(tamsel::PluginInfo*)>(module, "get_plugin_info");
    ASSERT_NE(get_plugin_info, nullptr);
    get_plugin_info(&info);
    ASSERT_TRUE(info.name && info.producer && info.web_page && info.email && info.description && info.folder);
    EXPECT_STREQ(info.name, L"Tamsel");
    EXPECT_STREQ(info.description, L"Generate system preview for IFC files.");
    EXPECT_GT(lstrlenW(info.producer), 0);
    EXPECT_EQ(std::wstring(info.folder), DataFolder());
}

TEST_F(CaptureCommand, ModelWithoutPreviewGetsTheViewWrittenUprightAtItsKeysPath) {
    struct ViewCase {
        std::int32_t view[4];
        int width, height;
    };
    const ViewCase cases[] = {
        {{0, 0, 1000, 600}, 512, 384},
        {{100, 50, 500, 250}, 400, 200},
        {{-300, 0, 0, 500}, 300, 225},
    };
    LoadPlugin();
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        UniqueModel model;
        std::copy(c.view, c.view + 4, Host().view);
        LoadModel(model.path());

        const std::string render = "render_screenshot " + std::to_string(c.width) + " " + std::to_string(c.height);
        EXPECT_EQ(UsedCalls(), Then(kModelLoadStart, {"enable_button 7 1", "get_view_rect", render}));
        EXPECT_EQ(model.StoreFilesOfKey(), std::vector<std::wstring>{model.preview_path()});

        const Pixels png = DecodeFile(model.preview_path());
        ASSERT_EQ(png.width, c.width);
        ASSERT_EQ(png.height, c.height);
        EXPECT_EQ(png.format, PixelFormat24bppRGB);
        int wrong = 0;
        for (int y = 0; y < png.height; ++y) {
            for (int x = 0; x < png.width; ++x) wrong += png.at(x, y) != fake::SceneColor(c.width, c.height, x, y);
        }
        EXPECT_EQ(wrong, 0) << "pixels differing from the rendered view";
    }
}

TEST_F(CaptureCommand, StoredPreviewIsKeptAndNothingIsRendered) {
    UniqueModel model;
    const std::vector<std::uint8_t> stored = {'k', 'e', 'e', 'p'};
    WriteBytes(model.preview_path(), stored);
    // A byte-identical copy under another name finds the same preview.
    const std::wstring copy = model.path() + L".copy.ifc";
    ASSERT_TRUE(CopyFileW(model.path().c_str(), copy.c_str(), FALSE));

    LoadPlugin();
    for (const std::wstring& path : {model.path(), copy}) {
        LoadModel(path);
        EXPECT_EQ(UsedCalls(), Then(kModelLoadStart, {"enable_button 7 1"}));
    }
    EXPECT_EQ(ReadBytes(model.preview_path()), stored);
    DeleteFileW(copy.c_str());
}

TEST_F(CaptureCommand, NoLoadedFileDisablesTheButton) {
    LoadPlugin();
    UniqueModel model;
    LoadModel(model.path());
    ASSERT_TRUE(FileExists(model.preview_path()));

    for (const bool reports_path : {false, true}) {
        Host().reports_path = reports_path;
        LoadModel(L"");  // null, then empty
        EXPECT_EQ(UsedCalls(), Then(kModelLoadStart, {"enable_button 7 0"}));
    }
}

TEST_F(CaptureCommand, ModelFileThatCannotBeReadGetsNoPreviewWork) {
    LoadPlugin();
    UniqueModel earlier;
    LoadModel(earlier.path());
    ASSERT_TRUE(FileExists(earlier.preview_path()));

    UniqueModel locked;
    HANDLE writer = CreateFileW(locked.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    for (const std::wstring& path : {locked.path(), locked.path() + L".missing"}) {
        LoadModel(path);
        // No key: the button is left alone and nothing is rendered.
        EXPECT_EQ(UsedCalls(), kModelLoadStart);
    }
    CloseHandle(writer);
    EXPECT_TRUE(locked.StoreFilesOfKey().empty());

    // The earlier model's preview is no longer the one the button offers.
    Host().calls.clear();
    DialogDriver driver([](HWND dialog) { AnswerDialog(dialog, Answer::No); });
    PressButton();
    EXPECT_FALSE(driver.saw_dialog());
    EXPECT_EQ(Host().calls, Calls{"clicked_button"});
}

TEST_F(CaptureCommand, EmptyOrInvertedViewWritesNothing) {
    struct ViewCase {
        const char* name;
        bool filled;
        std::int32_t view[4];
    };
    const ViewCase cases[] = {
        {"zero width", true, {100, 100, 100, 400}},
        {"zero height", true, {100, 100, 600, 100}},
        {"right left of left", true, {600, 0, 100, 400}},
        {"bottom above top", true, {0, 400, 600, 100}},
        {"viewer leaves the rectangle unfilled", false, {100, 100, 900, 700}},
    };
    LoadPlugin();
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        UniqueModel model;
        Host().fills_view = c.filled;
        std::copy(c.view, c.view + 4, Host().view);
        LoadModel(model.path());
        EXPECT_EQ(UsedCalls(), Then(kModelLoadStart, {"enable_button 7 1", "get_view_rect"}));
        EXPECT_TRUE(model.StoreFilesOfKey().empty());
    }
}

TEST_F(CaptureCommand, FailedRenderWritesNothingAndTheNextLoadTriesAgain) {
    LoadPlugin();
    UniqueModel model;
    Host().render_succeeds = false;
    LoadModel(model.path());
    EXPECT_EQ(Host().CountCalls("render_screenshot"), 1);
    EXPECT_TRUE(model.StoreFilesOfKey().empty());

    Host().render_succeeds = true;
    LoadModel(model.path());
    EXPECT_EQ(Host().CountCalls("render_screenshot"), 1);
    EXPECT_EQ(DecodeFile(model.preview_path()).width, 512);
}

}  // namespace
}  // namespace plugin_test
