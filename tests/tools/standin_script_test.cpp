// The stand-in viewer's command line: repeated passes and counts lines, which
// the long robustness runs are built from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script.h"

namespace {

using standin::Action;

std::optional<standin::Script> Parse(std::vector<std::wstring> arguments, std::wstring* error) {
    arguments.insert(arguments.begin(), {L"--plugin", L"tamsel.dll"});
    return standin::ParseScript(arguments, error);
}

TEST(StandinScript, RepeatTakesTheActionsUpToItsEndOrTheEndOfTheLine) {
    std::wstring error;
    const auto script = Parse({L"--load", L"a.ifc", L"--repeat", L"999", L"--load", L"b.ifc", L"--answer", L"yes",
                               L"--click", L"--end-repeat", L"--counts", L"end"},
                              &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->actions.size(), 3u);
    EXPECT_EQ(script->actions[0].kind, Action::Kind::load);
    const Action& repeat = script->actions[1];
    ASSERT_EQ(repeat.kind, Action::Kind::repeat);
    EXPECT_EQ(repeat.count, 999);
    ASSERT_EQ(repeat.body.size(), 3u);
    EXPECT_EQ(repeat.body[0].text, L"b.ifc");
    EXPECT_EQ(repeat.body[2].kind, Action::Kind::click);
    EXPECT_EQ(script->actions[2].kind, Action::Kind::counts);
    EXPECT_EQ(script->actions[2].text, L"end");

    const auto open_ended = Parse({L"--repeat", L"2", L"--click", L"--leak"}, &error);
    ASSERT_TRUE(open_ended) << error;
    ASSERT_EQ(open_ended->actions.size(), 1u);
    EXPECT_EQ(open_ended->actions[0].body.size(), 2u);
}

TEST(StandinScript, MalformedRepeatsAndCountsAreRefused) {
    const std::vector<std::vector<std::wstring>> cases = {
        {L"--repeat", L"0", L"--click"},
        {L"--repeat", L"1000001", L"--click"},
        {L"--repeat", L"3x", L"--click"},
        {L"--repeat", L"2", L"--repeat", L"2", L"--click"},
        {L"--click", L"--end-repeat"},
        {L"--counts"},
        {L"--counts", L"after warm-up"},
    };
    for (const auto& arguments : cases) {
        std::wstring error;
        std::wstring line;
        for (const auto& argument : arguments) line += argument + L" ";
        SCOPED_TRACE(std::string(line.begin(), line.end()));
        EXPECT_FALSE(Parse(arguments, &error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
