// The plugin in a viewer beyond the cases both viewers play (viewer_cases.txt):
// what only a viewer in this process can arrange.
#include "plugin_fixture.h"

#include "plugin_base.h"
#include "viewer_cases.h"

namespace plugin_test {
namespace {

using fake::Host;
using Calls = std::vector<std::string>;

class CaptureCommand : public PluginFixture {};

TEST_F(CaptureCommand, ButtonImagesAreBesideTheModuleInTheirSizes) {
    for (const auto& [file, side] : {std::pair{L"icon.png", 32}, std::pair{L"icon_small.png", 16}}) {
        const Pixels icon = DecodeFile(DataFolder() + file);
        EXPECT_EQ(icon.width, side) << fake::Narrow(file);
        EXPECT_EQ(icon.height, side) << fake::Narrow(file);
    }
}

TEST_F(CaptureCommand, ButtonTextsMissingFromTheViewerAreHandedOverAsNull) {
    LoadPlugin();
    EXPECT_EQ(Host().CountCalls("set_button_text(7,(null),(null))"), 1);
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
        EXPECT_EQ(UsedCalls(Host().calls), Calls{"get_loaded_ifc_path"});
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

}  // namespace
}  // namespace plugin_test
