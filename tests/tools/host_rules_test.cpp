#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "handler_lookup.h"

namespace {

TEST(HostRules, TypeKeyIsTheNamedProgidOnlyWhenItWasReadAndIsNotEmpty) {
    const struct {
        const wchar_t* extension;
        LSTATUS read;
        const wchar_t* value;
        const wchar_t* type_key;
    } cases[] = {
        {L".ifc", ERROR_SUCCESS, L"Vendor.Model.1", L"Vendor.Model.1"},
        {L".ifc", ERROR_SUCCESS, L"", L".ifc"},
        {L".ifc", ERROR_FILE_NOT_FOUND, L"", L".ifc"},
        {L".ifc", ERROR_MORE_DATA, L"partial", L".ifc"},
        {L"ifc", ERROR_SUCCESS, L"Vendor.Model.1", L"ifc"},  // no dot: no lookup
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tamsel::ChooseTypeKey(c.extension, c.read, c.value), c.type_key)
            << c.extension << " " << c.read << " " << c.value;
    }
}

TEST(HostRules, PaneSizes) {
    const struct {
        const wchar_t* text;
        bool ok;
        int width, height;
    } cases[] = {
        {L"366x422", true, 366, 422}, {L"1x1", true, 1, 1},   {L"8192x8192", true, 8192, 8192},
        {L"0x422", false, 0, 0},      {L"8193x1", false, 0, 0}, {L"366", false, 0, 0},
        {L"366x", false, 0, 0},       {L"x422", false, 0, 0},   {L"36 6x422", false, 0, 0},
        {L"-1x5", false, 0, 0},       {L"366X422", false, 0, 0}, {L"99999999999x1", false, 0, 0},
    };
    for (const auto& c : cases) {
        tamsel::PaneSize size;
        EXPECT_EQ(tamsel::ParsePaneSize(c.text, size), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(size.width, c.width) << c.text;
            EXPECT_EQ(size.height, c.height) << c.text;
        }
    }
}

TEST(HostRules, ActionsKeepTheirOrderAfterTheFirstSize) {
    tamsel::HostOptions options;
    std::wstring error;
    ASSERT_TRUE(tamsel::ParseHostArguments({L"a b.ifc", L"--size", L"200x100", L"--save", L"one.png", L"--resize",
                                            L"600x300", L"--save", L"two.png", L"--report"},
                                           options, error))
        << error;
    EXPECT_EQ(options.file, L"a b.ifc");
    EXPECT_EQ(options.size.width, 200);
    EXPECT_EQ(options.size.height, 100);
    EXPECT_TRUE(options.report);
    ASSERT_EQ(options.actions.size(), 3u);
    EXPECT_EQ(options.actions[0].kind, tamsel::HostAction::Kind::Save);
    EXPECT_EQ(options.actions[0].path, L"one.png");
    EXPECT_EQ(options.actions[1].kind, tamsel::HostAction::Kind::Resize);
    EXPECT_EQ(options.actions[1].size.width, 600);
    EXPECT_EQ(options.actions[2].path, L"two.png");

    tamsel::HostOptions defaults;
    ASSERT_TRUE(tamsel::ParseHostArguments({L"x.ifc"}, defaults, error));
    EXPECT_EQ(defaults.size.width, 366);
    EXPECT_EQ(defaults.size.height, 422);
    EXPECT_TRUE(defaults.actions.empty());
}

TEST(HostRules, RejectsArgumentsThatMakeNoSense) {
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"--report"},
        {L"x.ifc", L"y.ifc"},
        {L"x.ifc", L"--save"},
        {L"x.ifc", L"--save", L""},
        {L"x.ifc", L"--resize"},
        {L"x.ifc", L"--size", L"big"},
        {L"x.ifc", L"--save", L"a.png", L"--size", L"10x10"},
        {L"x.ifc", L"--sizes", L"10x10"},
    };
    for (const auto& args : cases) {
        tamsel::HostOptions options;
        std::wstring error;
        std::wstring joined;
        for (const auto& a : args) joined += L"[" + a + L"]";
        EXPECT_FALSE(tamsel::ParseHostArguments(args, options, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}

}  // namespace
