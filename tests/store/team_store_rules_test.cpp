#include <gtest/gtest.h>

#include <string>

#include "team_store_rules.h"

namespace {

TEST(TeamStoreRules, OnlyAbsoluteFoldersCountAndEndInOneBackslash) {
    const struct {
        const wchar_t* value;
        const wchar_t* folder;
    } cases[] = {
        {L"\\\\server\\share\\tamsel\\", L"\\\\server\\share\\tamsel\\"},
        {L"\\\\server\\share\\tamsel", L"\\\\server\\share\\tamsel\\"},
        {L"\\\\server\\share\\tamsel\\\\", L"\\\\server\\share\\tamsel\\"},
        {L"//server/share/tamsel", L"\\\\server\\share\\tamsel\\"},
        {L"\\\\?\\UNC\\server\\share\\", L"\\\\?\\UNC\\server\\share\\"},
        {L"D:\\previews", L"D:\\previews\\"},
        {L"d:/previews/", L"d:\\previews\\"},
        {L"C:\\", L"C:\\"},
        {L"C:\\\\", L"C:\\"},
        // Relative, or no path at all: no team store.
        {L"", L""},
        {L"tamsel", L""},
        {L".\\tamsel", L""},
        {L"\\tamsel", L""},
        {L"C:tamsel", L""},
        {L"C:", L""},
        {L"\\\\", L""},
        {L"\\\\\\server", L""},
        {L" \\\\server\\share", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tamsel::TeamStoreFolderFromPolicy(c.value), c.folder) << testing::PrintToString(std::wstring(c.value));
    }
}

}  // namespace
