#include <gtest/gtest.h>

#include "module_paths.h"

namespace {

using namespace tamsel;

TEST(ModulePaths, FolderFileAndNameOfTheModulePath) {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* file;
        const wchar_t* name;
        const wchar_t* data_folder;  // beside the module, named "<name>_data"
    };
    const Case cases[] = {
        {L"C:\\p\\tamsel.dll", L"C:\\p", L"tamsel.dll", L"tamsel", L"C:\\p\\tamsel_data\\"},
        {L"C:\\p\\a.b.dll", L"C:\\p", L"a.b.dll", L"a.b", L"C:\\p\\a.b_data\\"},
        {L"C:\\x.y\\plugin", L"C:\\x.y", L"plugin", L"plugin", L"C:\\x.y\\plugin_data\\"},
        {L"tamsel.dll", L"tamsel.dll", L"tamsel.dll", L"tamsel", L"tamsel.dll\\tamsel_data\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModuleFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(ModuleFileName(c.path), c.file) << c.path;
        EXPECT_EQ(ModuleName(c.path), c.name) << c.path;
        EXPECT_EQ(DataFolderBeside(c.path, ModuleName(c.path) + L"_data"), c.data_folder) << c.path;
    }
    EXPECT_EQ(DataFolderBeside(L"", L"tamsel_data"), L"") << "an unknown module path gives no folder";
}

TEST(ModulePaths, PluginFoldersUnderApplicationData) {
    EXPECT_EQ(PluginFolderUnder(L"C:\\Users\\u\\AppData\\Local", L"C:\\p\\tamsel.dll"),
              L"C:\\Users\\u\\AppData\\Local\\Kelvarrion\\plugins\\tamsel\\");
    EXPECT_EQ(PluginFolderUnder(L"C:\\ProgramData", L"D:\\q\\a.b.dll"), L"C:\\ProgramData\\Kelvarrion\\plugins\\a.b\\");
    EXPECT_EQ(PluginFolderUnder(L"", L"C:\\p\\tamsel.dll"), L"") << "a failed folder query leaves it empty";
    EXPECT_EQ(PluginFolderUnder(L"C:\\ProgramData", L""), L"");
}

}  // namespace
