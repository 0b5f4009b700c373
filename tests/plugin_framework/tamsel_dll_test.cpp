// tamsel.dll loaded into this test program, which exports none of the
// viewer's functions: the module still loads and every export works.
#include <gtest/gtest.h>

#include "plugin_base.h"
#include "viewer_run.h"

namespace {

using tamsel::ApiVersion;
using tamsel::PluginInfo;

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST(TamselDll, EveryExportWorksInAHostThatExportsNothing) {
    ASSERT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "get_language"), nullptr) << "this program must export nothing";
    const HMODULE module = LoadLibraryW(BinPath(L"plugin\\tamsel.dll").c_str());
    ASSERT_NE(module, nullptr);

    const auto get_api_verion = Export<void(WINAPI*)(const ApiVersion*, ApiVersion*)>(module, "get_api_verion");
    const auto get_plugin_info = Export<void(WINAPI*)(PluginInfo*)>(module, "get_plugin_info");
    const auto on_plugin_load = Export<void(WINAPI*)(tamsel::PluginId, std::uint8_t, HWND)>(module, "on_plugin_load");
    const auto on_plugin_unload = Export<void (*)()>(module, "on_plugin_unload");
    const auto on_gui_colors_change = Export<void (*)()>(module, "on_gui_colors_change");
    ASSERT_TRUE(get_api_verion && get_plugin_info && on_plugin_load && on_plugin_unload && on_gui_colors_change);

    const ApiVersion host_version = {5, 4};
    ApiVersion version = {0, 0};
    get_api_verion(&host_version, &version);
    EXPECT_EQ(version.major, 5);
    EXPECT_EQ(version.minor, 4);
    get_api_verion(nullptr, nullptr);
    get_plugin_info(nullptr);

    PluginInfo info{};
    get_plugin_info(&info);
    ASSERT_NE(info.folder, nullptr);
    EXPECT_EQ(CompareStringOrdinal(info.folder, -1, BinPath(L"plugin\\tamsel_data\\").c_str(), -1, TRUE), CSTR_EQUAL)
        << Utf8(info.folder);
    for (const wchar_t* field : {info.name, info.producer, info.web_page, info.email, info.description})
        EXPECT_NE(field, nullptr);

    on_plugin_load(7, 1, nullptr);
    on_gui_colors_change();
    on_plugin_unload();
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(TamselDll, DataFolderOfAModuleBeyondMaxPathIsWhole) {
    // A path longer than the 260 characters a fixed buffer would take.
    std::wstring folder = TestFile(L"long");
    CreateDirectoryW(folder.c_str(), nullptr);
    while (folder.size() < MAX_PATH + 20) {
        folder += L"\\abcdefghijklmnopqrstuvwxyz0123456789";
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    const std::wstring module_path = L"\\\\?\\" + folder + L"\\tamsel.dll";
    ASSERT_TRUE(CopyFileW(BinPath(L"plugin\\tamsel.dll").c_str(), module_path.c_str(), FALSE));
    const HMODULE module = LoadLibraryW(module_path.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    PluginInfo info{};
    Export<void(WINAPI*)(PluginInfo*)>(module, "get_plugin_info")(&info);
    ASSERT_NE(info.folder, nullptr);
    const std::wstring expected = folder + L"\\tamsel_data\\";
    const std::wstring actual = info.folder;
    EXPECT_EQ(actual.substr(actual.size() - std::min(actual.size(), expected.size())), expected) << Utf8(actual);
    FreeLibrary(module);
    DeleteFileW(module_path.c_str());
}

}  // namespace

namespace {

// GDI+ is started at load and shut down at unload, never under the loader
// lock, where it can deadlock the viewer: a FreeLibrary without an unload
// leaves the module loaded, its callbacks valid and GDI+ running, and the end
// of the process takes them along.
TEST(TamselDll, GdiplusEndsAtUnloadAndTheModuleStaysUntilThen) {
    const struct {
        const wchar_t* way;
        std::vector<std::string> log;
    } cases[] = {
        {L"unload", {"unload", "GdiplusShutdown", "free", "unloaded"}},
        {L"free", {"free", "still loaded"}},
        {L"exit", {"exit"}},
    };
    for (const auto& c : cases) {
        const std::wstring log = TestFile(std::wstring(L"exit_probe_") + c.way + L".log");
        const ViewerRun run = RunProgram(BinPath(L"tests\\plugin_framework\\exit_probe.exe"),
                                         {BinPath(L"plugin\\tamsel.dll"), log, c.way}, log);
        EXPECT_EQ(run.exit_code, 0u) << Utf8(c.way) << ": " << run.Describe();
        EXPECT_EQ(run.log, c.log) << Utf8(c.way);
    }
}

}  // namespace
