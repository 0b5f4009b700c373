// Which plugin folders an install can create, and which an uninstall removes.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "plugin_folder_rules.h"

namespace tamsel {
namespace {

// A small file system: every path not named is missing.
struct FakeDisk {
    std::map<std::wstring, PathKind> paths;
    mutable std::vector<std::wstring> asked = {};
    PathKind operator()(const std::wstring& path) const {
        asked.push_back(path);
        const auto found = paths.find(path);
        return found == paths.end() ? PathKind::Missing : found->second;
    }
};

TEST(PluginFolderPlan, FindsAFileInTheWayAndTheTopmostFolderToCreate) {
    const FakeDisk disk{{{L"C:\\Program Files", PathKind::Folder},
                         {L"C:\\Program Files\\Kelvarrion", PathKind::Folder},
                         {L"C:\\notes.txt", PathKind::File},
                         {L"\\\\server\\share\\viewer", PathKind::Folder}}};
    struct Case {
        const wchar_t* folder;
        const wchar_t* file_in_the_way;
        const wchar_t* first_missing;
    } cases[] = {
        {L"C:\\Program Files\\Kelvarrion\\plugins\\tamsel\\", L"", L"C:\\Program Files\\Kelvarrion\\plugins"},
        {L"C:\\Program Files\\Kelvarrion\\", L"", L""},
        {L"C:\\notes.txt\\plugins\\tamsel", L"C:\\notes.txt", L""},
        {L"C:\\notes.txt", L"C:\\notes.txt", L""},
        {L"\\\\server\\share\\viewer\\tamsel", L"", L"\\\\server\\share\\viewer\\tamsel"},
        {L"C:\\", L"", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        const PluginFolderPlan plan = PlanPluginFolder(c.folder, disk);
        EXPECT_EQ(plan.file_in_the_way, c.file_in_the_way) << c.folder;
        EXPECT_EQ(plan.first_missing, c.first_missing) << c.folder;
    }
}

TEST(PluginFolderPlan, NeverAsksAboutTheRootNorBelowAMissingFolder) {
    const FakeDisk disk;
    PlanPluginFolder(L"\\\\server\\share\\a\\b\\c", std::ref(disk));
    EXPECT_EQ(disk.asked, (std::vector<std::wstring>{L"\\\\server\\share\\a"}));
    disk.asked.clear();
    PlanPluginFolder(L"D:\\a\\b", std::ref(disk));
    EXPECT_EQ(disk.asked, (std::vector<std::wstring>{L"D:\\a"}));
}

TEST(FoldersUpTo, ListsTheFolderAndItsParentsUpToTheTopDeepestFirst) {
    using Folders = std::vector<std::wstring>;
    struct Case {
        const wchar_t* folder;
        const wchar_t* top;
        Folders expected;
    } cases[] = {
        {L"C:\\Viewer\\plugins\\tamsel\\", L"C:\\Viewer",
         {L"C:\\Viewer\\plugins\\tamsel", L"C:\\Viewer\\plugins", L"C:\\Viewer"}},
        {L"C:\\Viewer\\plugins\\tamsel", L"c:\\viewer\\PLUGINS\\", {L"C:\\Viewer\\plugins\\tamsel", L"C:\\Viewer\\plugins"}},
        {L"C:\\Viewer\\tamsel", L"C:\\Viewer\\tamsel", {L"C:\\Viewer\\tamsel"}},
        {L"C:\\Viewer\\tamsel", L"C:\\Other", {}},       // not a parent: nothing is removed
        {L"C:\\Viewer\\tamsel", L"C:\\View", {}},        // a prefix of a name is no parent
        {L"C:\\Viewer\\tamsel", L"C:\\", {}},            // never the drive
        {L"C:\\Viewer\\tamsel", L"", {}},
        {L"\\\\server\\share\\a\\b", L"\\\\server\\share\\a", {L"\\\\server\\share\\a\\b", L"\\\\server\\share\\a"}},
        {L"\\\\server\\share\\a", L"\\\\server\\share", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FoldersUpTo(c.folder, c.top), c.expected) << c.folder << L" up to " << c.top;
}

}  // namespace
}  // namespace tamsel
