// What the robustness tests share: result lines for scripts/robustness.sh, the
// built handler driven through one preview, the pane's outcome read from its
// pixels, files planted in the Preview store.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "png_bytes.h"
#include "store_fixtures.h"
#include "test_windows.h"

#include "resource_counts.h"

namespace robustness {

// Prints the lines that scripts/robustness.sh collects:
//   robustness begin case=<name>
//   robustness input case=<name> input=<label>        before each input is tried
//   robustness note case=<name> text=<what happened>
//   robustness leak case=<name> what=<description>
//   robustness fail case=<name> text=<what went wrong>
//   robustness skip case=<name> text=<why the case cannot run here>
//   robustness result case=<name> inputs=<n> crashes=0 leaks=<n> peak_working_set_bytes=<n>
// A process that dies leaves no result line; its last input line names the culprit.
class CaseReport {
public:
    explicit CaseReport(std::string name);
    ~CaseReport();
    CaseReport(const CaseReport&) = delete;
    CaseReport& operator=(const CaseReport&) = delete;

    void Input(const std::string& label);
    void Note(const std::string& text);
    void Leak(const std::string& what);

    // Failed checks are kept and reported by FailOnProblems, once the counts
    // are taken: reporting a test failure makes the test framework open
    // handles of its own, which would count as leaks.
    void Check(bool ok, const std::string& problem);
    void FailOnProblems();

private:
    std::string name_;
    int inputs_ = 0;
    int leaks_ = 0;
    std::vector<std::string> problems_;
};

// How much a count may grow between two points that should hold the same.
struct LeakBounds {
    // A window that waits for its paint holds its update region as a GDI
    // object, and the display server's exposures come when they come.
    long gdi_objects = 2;
    long user_objects = 0;
    // Wine's own threads come and go with a handle or two; a leak per preview
    // or per call shows in the runs of a thousand or more.
    long kernel_handles = 2;
    std::size_t heap_bytes = 16u << 10;
    std::size_t working_set_bytes = 8u << 20;
};

// One leak per count that grew past its bound, reported to the case and as a
// test failure.
void CheckNoGrowth(CaseReport& report, const resource_counts::ResourceCounts& before,
                   const resource_counts::ResourceCounts& after, const LeakBounds& bounds);

// What the pane shows, read from its pixels.
enum class Outcome { NoPane, Unreadable, IconOnly, Hint, Picture };
const char* OutcomeName(Outcome outcome);

using tamsel_test::HostWindow;
// Where the host windows of these tests go: room for every pane they place.
inline constexpr RECT kHostPlace = {0, 0, 640, 520};
using tamsel_test::PumpMessages;

struct PreviewResult {
    HRESULT created = E_FAIL;
    HRESULT initialize = E_FAIL;
    HRESULT do_preview = E_FAIL;
    HRESULT set_rect = E_FAIL;
    HRESULT unload = E_FAIL;
    Outcome outcome = Outcome::NoPane;
    bool pane_left_after_unload = false;
    ULONG refs_after_release = 0;  // of the handler object: 0 when it was destroyed
};

// One whole preview with a new handler object of the built DLL, as the
// preview host makes it: Initialize, SetWindow, DoPreview, SetRect, messages,
// then Unload and the last Release. The outcome is read while the pane shows.
PreviewResult PreviewOnce(IStream* stream, HWND parent);

// The same in a small pane, without reading the outcome: for long runs,
// where painting a large pane would only cost time.
PreviewResult PreviewQuickly(IStream* stream, HWND parent);

// What every preview must do, whatever its input: come up, unload and leave
// no window and no object behind.
void CheckPaneLife(CaseReport& report, const std::string& label, const PreviewResult& result);

void CheckOutcome(CaseReport& report, const std::string& label, Outcome actual,
                  const std::vector<Outcome>& allowed);

using store_fixtures::KeyOf;
using store_fixtures::UniqueContent;

// Something at a key's place in the Preview store, removed at the end.
class StoreEntry {
public:
    static StoreEntry File(const std::wstring& key, const std::vector<std::uint8_t>& bytes);
    static StoreEntry Folder(const std::wstring& key);
    ~StoreEntry();
    StoreEntry(StoreEntry&& other) noexcept;
    StoreEntry(const StoreEntry&) = delete;
    StoreEntry& operator=(const StoreEntry&) = delete;
    StoreEntry& operator=(StoreEntry&&) = delete;
    const std::wstring& path() const { return path_; }

private:
    StoreEntry(std::wstring path, bool folder) : path_(std::move(path)), folder_(folder) {}
    std::wstring path_;
    bool folder_ = false;
};

using png_bytes::BlackPng;
using png_bytes::PngClaiming;
using png_bytes::PngFile;

// A small 8-bit RGB picture in saturated colours, its pixel data split over
// `idat_chunks` IDAT chunks after a tEXt chunk; stored (uncompressed) deflate.
PngFile ColourfulPng(int width, int height, int idat_chunks);

// A test that previews inputs through the built handler, one after another:
// each must bring the pane up with an allowed outcome, unload cleanly and stay
// within a memory allowance; the process's counts must be the same after the
// last input as before the first.
class PreviewCase : public ::testing::Test {
public:
    // Each call is one input of the case. Previews `stream`; the stream's own
    // checks are the caller's.
    void TryPreview(const std::string& label, IStream* stream, const std::vector<Outcome>& allowed);
    // Previews unique content of its own, released afterwards.
    void TryContent(const std::string& label, const std::vector<std::uint8_t>& content,
                    const std::vector<Outcome>& allowed);
    // Previews a file whose stored picture consists of `stored`.
    void TryStored(const std::string& label, const std::vector<std::uint8_t>& stored,
                   const std::vector<Outcome>& allowed);

    CaseReport& report() { return report_; }

protected:
    explicit PreviewCase(const char* case_name) : report_(case_name) {}

    // Warms up with one preview of each kind of outcome: what the first
    // previews in a process start (GDI+, the decoder and its error path, window
    // classes, fonts) stays for the next ones. Then takes the counts.
    void SetUp() override;
    void TearDown() override;

    HostWindow host_{kHostPlace};
    CaseReport report_;
    // Beyond the working set before a preview, its peak may rise by this much.
    std::size_t peak_allowance_ = 64u << 20;

private:
    bool warming_up_ = false;
    resource_counts::ResourceCounts before_;
};

// A PreviewCase fixture under the name that scripts/robustness.sh shows.
#define ROBUSTNESS_CASE(fixture, case_name)              \
    class fixture : public ::robustness::PreviewCase { \
    protected:                                         \
        fixture() : PreviewCase(case_name) {}          \
    }

}  // namespace robustness
