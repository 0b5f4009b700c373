// The team store through the built handler: the pane and the thumbnails take
// the local store's picture first, then the share's; a share that does not
// answer costs a preview no more than the bound, and what waits for it late
// gives everything back.
#include <gtest/gtest.h>

#include <windows.h>
#include <thumbcache.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../handler_com/handler_dll.h"
#include "bounded_work.h"
#include "resource_counts.h"
#include "robustness_support.h"
#include "scripted_stream.h"
#include "team_store.h"
#include "team_store_fixtures.h"
#include "thumbnail_fixtures.h"

namespace {

using namespace robustness;
using namespace team_store_fixtures;
using png_bytes::Rgb;
using tamsel::ComPtr;

const Rgb kLocalColour = {200, 40, 40};
const Rgb kTeamColour = {40, 40, 200};

std::vector<std::uint8_t> SolidPng(Rgb colour) {
    return png_bytes::RgbPng(64, 48, [colour](int, int) { return colour; });
}

enum class Shown { Nothing, Local, Team, Other };

// Whose picture the thumbnail provider gives for `content`.
Shown ThumbnailShows(const std::vector<std::uint8_t>& content) {
    ScriptedStream stream(content);
    thumbnail_test::Thumbnail thumbnail;
    {
        const ComPtr<IThumbnailProvider> provider = InitializedThumbnailProvider(&stream);
        if (!provider) return Shown::Other;
        thumbnail = thumbnail_test::Thumbnail::Get(provider.get(), 64);
    }
    if (thumbnail.result != S_OK) return Shown::Nothing;
    if (thumbnail.pixels.empty()) return Shown::Other;
    const Rgb seen = thumbnail.At(thumbnail.width / 2, thumbnail.height / 2);
    using thumbnail_test::Near;
    return Near(seen, kLocalColour) ? Shown::Local : Near(seen, kTeamColour) ? Shown::Team : Shown::Other;
}

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return std::wstring(folder) + L"\\";
}

enum class Policy {
    Absent, Share, ShareWithoutBackslash, Expandable, OddLengthUnterminated, Empty, Relative, MissingFolder, NotAString
};
enum class Local { None, Good, Hostile };

TEST(TeamStore, PaneAndThumbnailTakeTheLocalPictureFirstThenTheTeamOne) {
    const TeamShare share(L"tamsel-team");
    const std::wstring relative_folder = L"team-store-relative";
    CreateDirectoryW((CurrentFolder() + relative_folder).c_str(), nullptr);
    SetEnvironmentVariableW(L"TAMSEL_TEST_TEAM_SHARE", share.unc().substr(0, share.unc().size() - 1).c_str());
    HostWindow host(kHostPlace);

    const struct {
        const char* name;
        Policy policy;
        Local local;
        bool team_picture;  // planted where the policy leads, were it followed
        Outcome pane;
        Shown thumbnail;
    } cases[] = {
        {"team only", Policy::Share, Local::None, true, Outcome::Picture, Shown::Team},
        {"local only", Policy::Share, Local::Good, false, Outcome::Picture, Shown::Local},
        {"both: the local one wins", Policy::Share, Local::Good, true, Outcome::Picture, Shown::Local},
        {"hostile local, good team", Policy::Share, Local::Hostile, true, Outcome::Picture, Shown::Team},
        {"no final backslash", Policy::ShareWithoutBackslash, Local::None, true, Outcome::Picture, Shown::Team},
        {"REG_EXPAND_SZ", Policy::Expandable, Local::None, true, Outcome::Picture, Shown::Team},
        {"odd length, no terminator", Policy::OddLengthUnterminated, Local::None, true, Outcome::Picture, Shown::Team},
        {"policy absent", Policy::Absent, Local::None, true, Outcome::Hint, Shown::Nothing},
        {"policy empty", Policy::Empty, Local::None, true, Outcome::Hint, Shown::Nothing},
        {"policy relative", Policy::Relative, Local::None, true, Outcome::Hint, Shown::Nothing},
        {"policy names a missing folder", Policy::MissingFolder, Local::None, true, Outcome::Hint, Shown::Nothing},
        {"policy not a string", Policy::NotAString, Local::None, true, Outcome::Hint, Shown::Nothing},
        {"policy absent, local picture", Policy::Absent, Local::Good, true, Outcome::Picture, Shown::Local},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> content = UniqueContent(c.name);
        const std::wstring key = KeyOf(content);
        std::optional<PlantedFile> team;
        if (c.team_picture) {
            const std::wstring folder = c.policy == Policy::Relative ? CurrentFolder() + relative_folder + L"\\"
                                                                     : share.unc();
            team.emplace(folder + key, SolidPng(kTeamColour));
        }
        std::optional<StoreEntry> local;
        if (c.local == Local::Good) local.emplace(StoreEntry::File(key, SolidPng(kLocalColour)));
        if (c.local == Local::Hostile) local.emplace(StoreEntry::File(key, PngClaiming(100000, 100000)));

        std::optional<TeamStorePolicy> policy;
        switch (c.policy) {
        case Policy::Absent: break;
        case Policy::Share: policy.emplace(share.unc()); break;
        case Policy::ShareWithoutBackslash: policy.emplace(share.unc().substr(0, share.unc().size() - 1)); break;
        case Policy::Expandable: policy.emplace(L"%TAMSEL_TEST_TEAM_SHARE%\\", REG_EXPAND_SZ); break;
        case Policy::OddLengthUnterminated: policy.emplace(share.unc(), TeamStorePolicy::OddByte{'x'}); break;
        case Policy::Empty: policy.emplace(L""); break;
        case Policy::Relative: policy.emplace(relative_folder); break;
        case Policy::MissingFolder: policy.emplace(share.unc() + L"missing\\"); break;
        case Policy::NotAString: policy.emplace(DWORD{1}); break;
        }

        ScriptedStream stream(content);
        const PreviewResult result = PreviewOnce(&stream, host.handle());
        EXPECT_EQ(result.do_preview, S_OK);
        EXPECT_EQ(OutcomeName(result.outcome), std::string(OutcomeName(c.pane)));
        EXPECT_EQ(ThumbnailShows(content), c.thumbnail);
    }
    RemoveDirectoryW((CurrentFolder() + relative_folder).c_str());
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
}

// The share \\tamsel-stalled\share\: while Hold() lasts, every open below it
// waits (stall_open.c, preloaded into this test's wine64), as on a server that
// does not answer.
class StalledShare : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileW(hold_path_.c_str()); }
    void TearDown() override {
        Release();
        EXPECT_TRUE(WaitUntilUnloadable()) << "a late lookup still runs";
    }

    void Hold() { store_fixtures::WriteWholeFile(hold_path_, {}); }
    void Release() { DeleteFileW(hold_path_.c_str()); }
    static bool WaitUntilUnloadable() {
        for (int i = 0; i < 500; ++i) {
            if (HandlerDll::Built().DllCanUnloadNow() == S_OK) return true;
            Sleep(10);
        }
        return false;
    }

    // Made before any hold: creating it would wait too.
    TeamShare share_{L"tamsel-stalled"};
    TeamStorePolicy policy_{share_.unc()};
    HostWindow host_{kHostPlace};

private:
    const std::wstring hold_path_ = TAMSEL_STALL_HOLD_FILE;
};

long long MillisecondsOf(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(StalledShare, PaneComesUpWithinTheBoundAndTheServerStaysLoadedUntilTheLateLookupEnds) {
    const std::vector<std::uint8_t> content = UniqueContent("stalled share");
    const std::vector<std::uint8_t> recovered = UniqueContent("stalled share, recovered");
    const PlantedFile team_picture(share_.unc() + KeyOf(recovered), SolidPng(kTeamColour));
    CaseReport report("team-store-stalled");
    {
        ScriptedStream warm_up(content);
        PreviewOnce(&warm_up, host_.handle());
    }

    Hold();
    PreviewResult first;
    ScriptedStream stream(content);
    const long long first_ms = MillisecondsOf([&] { first = PreviewOnce(&stream, host_.handle()); });
    CheckPaneLife(report, "stalled", first);
    CheckOutcome(report, "stalled", first.outcome, {Outcome::Hint});
    EXPECT_GE(first_ms, static_cast<long long>(tamsel::kTeamStoreWaitMs) - 50);
    EXPECT_LT(first_ms, static_cast<long long>(tamsel::kTeamStoreWaitMs) + 1500);
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_FALSE) << "unloadable while a late lookup runs";

    // While that open still hangs, the share is not waited for again.
    PreviewResult second;
    ScriptedStream again(recovered);
    const long long second_ms = MillisecondsOf([&] { second = PreviewOnce(&again, host_.handle()); });
    CheckPaneLife(report, "stalled again", second);
    CheckOutcome(report, "stalled again", second.outcome, {Outcome::Hint});
    EXPECT_LT(second_ms, 1000);
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_FALSE);

    Release();
    EXPECT_TRUE(WaitUntilUnloadable());
    ScriptedStream answered(recovered);
    const PreviewResult third = PreviewOnce(&answered, host_.handle());
    CheckOutcome(report, "answering again", third.outcome, {Outcome::Picture});
    report.FailOnProblems();
}

// Runs `cycles(2)` first, to start what stays for the process (what the first
// late lookup starts stays for the others), then `cycles(100)` between two
// resource counts: none of them went wrong and nothing grew.
template <typename Cycles>
void ExpectHundredCyclesLeaveNothing(CaseReport& report, const std::string& input, const std::string& problem,
                                     Cycles cycles) {
    cycles(2);
    const resource_counts::ResourceCounts before = resource_counts::TakeResourceCounts();
    report.Input(input);
    const int wrong = cycles(100);
    const resource_counts::ResourceCounts after = resource_counts::TakeResourceCounts();
    report.Check(wrong == 0, std::to_string(wrong) + " " + problem);
    CheckNoGrowth(report, before, after, LeakBounds{});
    report.FailOnProblems();
}

TEST_F(StalledShare, HundredStalledPreviewsLeaveNothingBehind) {
    CaseReport report("team-store-stalled-leaks");
    const std::vector<std::uint8_t> content = UniqueContent("stalled share, leaks");
    const auto stalled_previews = [&](int count) {
        Hold();
        int unsound = 0;
        for (int n = 0; n < count; ++n) {
            ScriptedStream stream(content);
            const PreviewResult result = PreviewQuickly(&stream, host_.handle());
            if (result.do_preview != S_OK || result.unload != S_OK || result.pane_left_after_unload ||
                result.refs_after_release != 0 || stream.refs() != 1) {
                ++unsound;
            }
        }
        Release();
        WaitUntilUnloadable();
        PumpMessages();
        return unsound;
    };
    ExpectHundredCyclesLeaveNothing(report, "100 stalled previews", "previews went wrong", stalled_previews);
}

// A lookup of the store code in this process, left to finish late.
class LateExistenceCheck final : public tamsel::BoundedTask {
public:
    explicit LateExistenceCheck(std::wstring path) : path_(std::move(path)) {}
    void Run() noexcept override { tamsel::LocalFileExists(path_); }

private:
    std::wstring path_;
};

TEST_F(StalledShare, EachWorkerLeftBehindFreesItsTaskItsThreadAndItsHandles) {
    CaseReport report("team-store-late-workers");
    const auto late_lookups = [&](int count) {
        int kept = 0;
        for (int n = 0; n < count; ++n) {
            const auto task = std::make_shared<LateExistenceCheck>(share_.unc() + L"0123456789abcdef");
            Hold();
            if (tamsel::RunBounded(task, 10)) ++kept;  // it must overrun
            Release();
            for (int i = 0; i < 500 && tamsel::BoundedWorkRunning(); ++i) Sleep(2);
            if (task.use_count() != 1) ++kept;  // the worker let go of it
        }
        return kept;
    };
    ExpectHundredCyclesLeaveNothing(report, "100 late workers", "workers finished in time or kept their task",
                                    late_lookups);
}

}  // namespace
