// The module's entry point, exports and callbacks, driven in this test program:
// the framework is linked in, the plugin object is a RecordingPlugin and the
// viewer is the RecordingHost.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "entry_points.h"
#include "import_hook.h"
#include "recording_host.h"
#include "recording_plugin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

using tamsel::ApiVersion;
using tamsel::PluginInfo;

const std::vector<std::string> kRegistrations = {
    "on_measure_change(7, callback)", "on_model_load(7, callback)", "on_selection_change(7, callback)",
    "on_draw(7, callback)",           "on_context_menu(7, callback)", "on_tab_change(7, callback)"};

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Counts the shell folder queries of this program's code (the framework is linked in).
int g_folder_queries = 0;
decltype(&SHGetFolderPathW) g_real_folder_query = nullptr;
HRESULT WINAPI CountedFolderQuery(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path) {
    ++g_folder_queries;
    return g_real_folder_query(owner, csidl, token, flags, path);
}

class EntryPoints : public testing::Test {
protected:
    // Process attach in a viewer that lacks the given functions.
    void Attach(std::set<std::string> missing = {}) {
        BindRecordingHost(std::move(missing));
        Plugins() = PluginLog{};
        ASSERT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr));
    }
    void TearDown() override { DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr); }

    static RecordingPlugin& Plugin() { return *Plugins().current; }
    std::wstring DataFolder() const { return ProgramFolder() + L"\\plugin_framework_tests_data\\"; }
};

TEST_F(EntryPoints, ApiVersionIsFiveFourAndNullRecordsAreLeftAlone) {
    Attach();
    const ApiVersion host_version = {6, 1};
    ApiVersion mine = {0, 0};
    get_api_verion(&host_version, &mine);
    EXPECT_EQ(mine.major, 5);
    EXPECT_EQ(mine.minor, 4);
    EXPECT_EQ(Plugins().operations, std::vector<std::string>{"on_api_version 6.1"});

    mine = {0, 0};
    get_api_verion(nullptr, &mine);
    EXPECT_EQ(mine.major, 5);
    EXPECT_EQ(mine.minor, 4);
    get_api_verion(&host_version, nullptr);
    get_api_verion(nullptr, nullptr);
    get_plugin_info(nullptr);
    EXPECT_EQ(Plugins().operations.size(), 2u) << "only the calls with a host record reach the plugin";
}

TEST_F(EntryPoints, PluginInfoBeforeLoadIsCompleteAndAttachAsksNothingOfTheShell) {
    const test_support::ImportHook hook(GetModuleHandleW(nullptr), "shell32.dll", "SHGetFolderPathW",
                                        reinterpret_cast<void*>(CountedFolderQuery));
    ASSERT_NE(hook.original(), nullptr);
    g_real_folder_query = reinterpret_cast<decltype(&SHGetFolderPathW)>(hook.original());
    g_folder_queries = 0;
    Attach();
    EXPECT_EQ(g_folder_queries, 0) << "process attach runs under the loader lock";
    PluginInfo info{};
    get_plugin_info(&info);
    EXPECT_STREQ(info.name, L"Orvane plugin template");
    EXPECT_STREQ(info.description, L"Orvane plugin template");
    for (const wchar_t* field : {info.producer, info.web_page, info.email}) {
        ASSERT_NE(field, nullptr);
        EXPECT_NE(field[0], L'\0');
    }
    ASSERT_NE(info.folder, nullptr);
    EXPECT_EQ(info.folder, DataFolder());
    EXPECT_TRUE(TestHost().calls.empty()) << "nothing is asked of the host before load";

    EXPECT_EQ(g_folder_queries, 0);

    // The shell folders are worked out at their first use, once.
    const std::wstring tail = L"\\Kelvarrion\\plugins\\plugin_framework_tests\\";
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::wstring& folder : {Plugin().user(), Plugin().common()}) {
            ASSERT_GT(folder.size(), tail.size());
            EXPECT_EQ(folder.substr(folder.size() - tail.size()), tail);
        }
    }
    EXPECT_EQ(g_folder_queries, 2);
    EXPECT_NE(Plugin().user(), Plugin().common());
}

TEST_F(EntryPoints, LoadRegistersTheSixCallbacksInOrderBeforeTheLoadStep) {
    Attach();
    TestHost().texts["get_language"] = L"en";
    on_plugin_load(7, 1, reinterpret_cast<HWND>(0x1234));

    ASSERT_GE(TestHost().calls.size(), kRegistrations.size());
    EXPECT_EQ(std::vector<std::string>(TestHost().calls.begin(), TestHost().calls.begin() + 6), kRegistrations);
    EXPECT_EQ(Plugins().operations, std::vector<std::string>{"on_plugin_load 7 1"});
    EXPECT_EQ(Plugin().id(), 7u);
    EXPECT_EQ(Plugin().window(), reinterpret_cast<HWND>(0x1234));
    EXPECT_NE(Plugin().callback_for_buttons(), nullptr);

    // Each callback reaches its own operation.
    const std::pair<const char*, const char*> routes[] = {
        {"on_measure_change", "on_measure_change"}, {"on_model_load", "on_model_load"},
        {"on_selection_change", "on_selection_change"}, {"on_draw", "on_draw"},
        {"on_context_menu", "on_context_menu"}, {"on_tab_change", "on_tab_change"}};
    for (const auto& [registration, operation] : routes) {
        TestHost().callbacks.at(registration)();
        EXPECT_EQ(Plugins().operations.back(), operation) << registration;
    }
    on_gui_colors_change();
    on_plugin_unload();
    EXPECT_EQ(std::vector<std::string>(Plugins().operations.end() - 2, Plugins().operations.end()),
              (std::vector<std::string>{"on_gui_colors_change", "on_plugin_unload"}));
}

TEST_F(EntryPoints, AViewerLackingARegistrationGetsTheOtherFiveInOrder) {
    for (const char* lacking :
         {"on_measure_change", "on_model_load", "on_selection_change", "on_draw", "on_context_menu", "on_tab_change"}) {
        TearDown();
        Attach({lacking});
        on_plugin_load(7, 0, nullptr);
        std::vector<std::string> expected;
        for (const std::string& registration : kRegistrations)
            if (registration.rfind(std::string(lacking) + '(', 0) != 0) expected.push_back(registration);
        EXPECT_EQ(std::vector<std::string>(TestHost().calls.begin(), TestHost().calls.begin() + 5), expected)
            << "lacking " << lacking;
        EXPECT_EQ(Plugins().operations.back(), "on_plugin_load 7 0") << "lacking " << lacking;
    }
}

TEST_F(EntryPoints, ButtonCallbackAsksWhichButtonWasClicked) {
    for (const bool lacks_clicked_button : {false, true}) {
        TearDown();
        Attach(lacks_clicked_button ? std::set<std::string>{"clicked_button"} : std::set<std::string>{});
        TestHost().numbers["clicked_button"] = 101;
        on_plugin_load(7, 0, nullptr);
        Plugin().callback_for_buttons()();
        EXPECT_EQ(Plugins().operations.back(), lacks_clicked_button ? "on_button_click 0" : "on_button_click 101");
        EXPECT_EQ(TestHost().CallsOf("clicked_button").size(), lacks_clicked_button ? 0u : 1u);
    }
}

TEST_F(EntryPoints, LanguageTextsFallBackToEnglish) {
    struct Case {
        const char* label;
        std::set<std::string> missing;
        const wchar_t* language;             // get_language's answer
        std::vector<std::string> readable;   // texts files the host can load
        std::vector<std::string> asked;      // files load_texts is asked for, in order
    };
    const Case cases[] = {
        {"German present", {}, L"de", {"lang.de"}, {"lang.de"}},
        {"German missing", {}, L"de", {"lang.en"}, {"lang.de", "lang.en"}},
        {"English unreadable: asked twice", {}, L"en", {}, {"lang.en", "lang.en"}},
        {"no language code", {}, nullptr, {"lang.en"}, {"lang.en"}},
        {"no get_language", {"get_language"}, L"de", {"lang.de", "lang.en"}, {"lang.en"}},
    };
    for (const Case& c : cases) {
        TearDown();
        Attach(c.missing);
        const std::string folder = Narrow(DataFolder());
        if (c.language) TestHost().texts["get_language"] = c.language;
        for (const std::string& file : c.readable) TestHost().numbers["load_texts(7, \"" + folder + file + "\")"] = 1;

        on_plugin_load(7, 0, nullptr);
        std::vector<std::string> expected;
        for (const std::string& file : c.asked) expected.push_back("load_texts(7, \"" + folder + file + "\")");
        EXPECT_EQ(TestHost().CallsOf("load_texts"), expected) << c.label;
    }
}

TEST_F(EntryPoints, BaseDefaultsReadTheHostOrZero) {
    for (const bool lacking : {false, true}) {
        TearDown();
        Attach(lacking ? std::set<std::string>{"is_touch_mode", "get_all_objects_id", "get_selected_id", "get_text"}
                       : std::set<std::string>{});
        TestHost().numbers = {{"is_touch_mode", 1}, {"get_all_objects_id", 0x1122334455LL}, {"get_selected_id", -9}};
        TestHost().texts = {{"get_text(7, \"btn_yes\")", L"Yes"}};
        on_plugin_load(7, 0, nullptr);
        EXPECT_EQ(Plugin().touch(), !lacking);
        TestHost().callbacks.at("on_model_load")();
        EXPECT_EQ(Plugin().all_objects(), lacking ? 0 : 0x1122334455LL);
        EXPECT_EQ(Plugin().selected(), lacking ? 0 : -9);
        TestHost().numbers["is_touch_mode"] = 0;
        on_gui_colors_change();
        EXPECT_FALSE(Plugin().touch());

        // The host's own text, not a copy; null for unknown keys or without get_text.
        const wchar_t* yes = Plugin().get_text("btn_yes");
        if (lacking)
            EXPECT_EQ(yes, nullptr);
        else
            EXPECT_EQ(yes, TestHost().texts.at("get_text(7, \"btn_yes\")").c_str());
        EXPECT_EQ(Plugin().get_text("btn_maybe"), nullptr);
    }
}

TEST_F(EntryPoints, PluginFilePathsAppendToTheDataFolder) {
    Attach();
    EXPECT_EQ(Plugin().plugin_file_path(L"icon.png"), DataFolder() + L"icon.png");
    EXPECT_EQ(Plugin().plugin_file_path(nullptr), DataFolder());
    EXPECT_EQ(Plugin().folder_of_data(), DataFolder());
}

TEST_F(EntryPoints, NoExceptionLeavesAnExportOrCallback) {
    Attach();
    on_plugin_load(7, 0, nullptr);
    Plugins().operations_throw = true;
    const ApiVersion host_version = {5, 4};
    ApiVersion mine{};
    PluginInfo info{};
    EXPECT_NO_THROW(get_api_verion(&host_version, &mine));
    EXPECT_NO_THROW(get_plugin_info(&info));
    EXPECT_NO_THROW(on_plugin_load(7, 0, nullptr));
    EXPECT_NO_THROW(on_gui_colors_change());
    for (const auto& [registration, callback] : TestHost().callbacks) EXPECT_NO_THROW(callback()) << registration;
    EXPECT_NO_THROW(Plugin().callback_for_buttons()());
    EXPECT_NO_THROW(on_plugin_unload());
    EXPECT_EQ(Plugins().operations.size(), 1u + 4 + 6 + 1 + 1) << "every one was reached";
}

TEST_F(EntryPoints, WithoutAPluginObjectEverythingIsANoOp) {
    BindRecordingHost();
    Plugins() = PluginLog{};
    Plugins().creation_throws = true;
    EXPECT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr));
    ApiVersion mine{};
    PluginInfo info{};
    get_api_verion(nullptr, &mine);
    EXPECT_EQ(mine.major, 5);
    get_plugin_info(&info);
    EXPECT_EQ(info.name, nullptr);
    on_plugin_load(7, 0, nullptr);
    on_gui_colors_change();
    on_plugin_unload();
    EXPECT_TRUE(TestHost().calls.empty());
    EXPECT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr));
}

TEST_F(EntryPoints, DetachDestroysThePluginOnce) {
    Attach();
    EXPECT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(Plugins().destroyed, 1);
    EXPECT_TRUE(DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(Plugins().destroyed, 1);
}

}  // namespace
