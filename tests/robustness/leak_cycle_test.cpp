// A thousand previews on one thread, as a preview host that stays up all day
// makes them: whatever one preview takes, it must give back.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>

#include "../handler_com/handler_dll.h"
#include "resource_counts.h"
#include "robustness_support.h"
#include "scripted_stream.h"

namespace {

using namespace robustness;

constexpr int kCycles = 1000;
// COM asks the server now and then whether it may be unloaded; when nothing
// lives, the server then shuts GDI+ down and lets the pane's window class go.
constexpr int kCyclesBetweenUnloadPolls = 50;

// Each cycle: a new handler object, Initialize, SetWindow, DoPreview, SetRect,
// the window's messages, Unload and the last Release; every other cycle's
// file has a stored picture, the others show the hint.
TEST(LeakCycle, PreviewsGiveEverythingBack) {
    CaseReport report("leak-cycle");
    const HandlerDll& dll = HandlerDll::Built();
    HostWindow host(kHostPlace);
    const std::vector<std::uint8_t> hint_content = UniqueContent("leak cycle, hint");
    const std::vector<std::uint8_t> picture_content = UniqueContent("leak cycle, picture");
    const StoreEntry picture = StoreEntry::File(KeyOf(picture_content), ColourfulPng(128, 96, 2).bytes);
    const auto cycle = [&](int n) {
        ScriptedStream stream(n % 2 ? picture_content : hint_content);
        const PreviewResult result = PreviewQuickly(&stream, host.handle());
        if (n % kCyclesBetweenUnloadPolls == 0) dll.DllCanUnloadNow();
        return result.do_preview == S_OK && result.unload == S_OK && !result.pane_left_after_unload &&
               result.refs_after_release == 0 && stream.refs() == 1;
    };

    // The first cycles start what stays for the others, in a pane that shows
    // that both outcomes are reached.
    for (const auto& [content, outcome] : {std::pair{&hint_content, Outcome::Hint},
                                           std::pair{&picture_content, Outcome::Picture}}) {
        const std::string label = std::string("warm-up, ") + OutcomeName(outcome);
        report.Input(label);
        ScriptedStream stream(*content);
        const PreviewResult result = PreviewOnce(&stream, host.handle());
        CheckPaneLife(report, label, result);
        CheckOutcome(report, label, result.outcome, {outcome});
    }
    for (int n = 1; n <= 2 * kCyclesBetweenUnloadPolls; ++n) cycle(n);

    const resource_counts::ResourceCounts before = resource_counts::TakeResourceCounts();
    report.Input(std::to_string(kCycles) + " cycles");
    const auto start = std::chrono::steady_clock::now();
    int unsound = 0;
    for (int n = 1; n <= kCycles; ++n) {
        if (!cycle(n)) ++unsound;
    }
    const auto took = std::chrono::steady_clock::now() - start;
    PumpMessages();
    const resource_counts::ResourceCounts after = resource_counts::TakeResourceCounts();

    report.Note(std::to_string(kCycles) + " cycles in " +
                std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms");
    report.Check(unsound == 0, std::to_string(unsound) + " cycles went wrong");
    report.Check(dll.DllCanUnloadNow() == S_OK, "the server count does not end at zero");
    // Anything kept per cycle would show a thousandfold.
    CheckNoGrowth(report, before, after, LeakBounds{});
    report.FailOnProblems();
}

}  // namespace
