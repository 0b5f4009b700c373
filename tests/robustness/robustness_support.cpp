#include "robustness_support.h"

#include <gtest/gtest.h>

#include <propsys.h>
#include <shobjidl.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "win32_raii.h"
#include "../handler_com/handler_dll.h"
#include "preview_store.h"
#include "scripted_stream.h"

namespace robustness {

namespace {

using png_bytes::Ihdr;
using png_bytes::PngWriter;
using png_bytes::StoredZlib;
using store_fixtures::StorePathFor;
using store_fixtures::WriteWholeFile;
using tamsel::ComPtr;

// The pane's rectangle in the host window; its areas as the pane lays them out.
constexpr RECT kPaneRect = {0, 0, 400, 480};
constexpr RECT kResizedPaneRect = {0, 0, 420, 460};
constexpr RECT kSmallPaneRect = {10, 10, 250, 210};
constexpr RECT kResizedSmallPaneRect = {10, 10, 230, 230};
constexpr RECT kIconArea = {8, 8, 56, 56};
constexpr RECT kTitleBesideIconArea = {64, 8, 376, 65};
constexpr int kImageAreaTop = 89;
constexpr int kMargin = 8;

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool AnyOther(const std::vector<std::uint32_t>& pixels, int width, const RECT& area, std::uint32_t background) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if ((pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) != background) return true;
        }
    }
    return false;
}

// The one child window of `parent` (the pane), or null.
HWND PaneIn(HWND parent) { return GetWindow(parent, GW_CHILD); }

Outcome ReadPane(HWND parent) {
    const HWND pane = PaneIn(parent);
    if (!pane || !IsWindowVisible(pane)) return Outcome::NoPane;
    RECT client = {};
    GetClientRect(pane, &client);
    const int width = client.right, height = client.bottom;
    if (width < kTitleBesideIconArea.right + 2 * kMargin || height <= kImageAreaTop + kMargin) {
        return Outcome::Unreadable;
    }
    const std::vector<std::uint32_t> pixels = tamsel_test::PrintClientPixels(pane, width, height);

    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const std::uint32_t background = (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
    const RECT image_area = {kMargin, kImageAreaTop, width - kMargin, height - kMargin};
    if (AnyOther(pixels, width, image_area, background)) return Outcome::Picture;
    if (!AnyOther(pixels, width, kIconArea, background)) return Outcome::Unreadable;
    return AnyOther(pixels, width, kTitleBesideIconArea, background) ? Outcome::Hint : Outcome::IconOnly;
}

PreviewResult Preview(IStream* stream, HWND parent, const RECT& pane, const RECT& resized, bool read_outcome) {
    PreviewResult result;
    IPreviewHandler* preview = nullptr;
    result.created = CreateHandler(IID_IPreviewHandler, &preview);
    if (FAILED(result.created)) return result;
    {
        ComPtr<IInitializeWithStream> init;
        result.initialize = preview->QueryInterface(IID_IInitializeWithStream, init.put_void());
        if (SUCCEEDED(result.initialize)) result.initialize = init->Initialize(stream, STGM_READ);
    }
    preview->SetWindow(parent, &pane);
    result.do_preview = preview->DoPreview();
    result.set_rect = preview->SetRect(&resized);
    PumpMessages();
    if (read_outcome) result.outcome = ReadPane(parent);
    result.unload = preview->Unload();
    result.pane_left_after_unload = PaneIn(parent) != nullptr;
    result.refs_after_release = preview->Release();
    return result;
}

}  // namespace

CaseReport::CaseReport(std::string name) : name_(std::move(name)) { PrintLine("robustness begin case=" + name_); }

CaseReport::~CaseReport() {
    PrintLine("robustness result case=" + name_ + " inputs=" + std::to_string(inputs_) +
              " crashes=0 leaks=" + std::to_string(leaks_) +
              " peak_working_set_bytes=" + std::to_string(resource_counts::PeakWorkingSetBytes()));
}

void CaseReport::Input(const std::string& label) {
    ++inputs_;
    PrintLine("robustness input case=" + name_ + " input=" + label);
}

void CaseReport::Note(const std::string& text) { PrintLine("robustness note case=" + name_ + " text=" + text); }

void CaseReport::Leak(const std::string& what) {
    ++leaks_;
    PrintLine("robustness leak case=" + name_ + " what=" + what);
}

void CaseReport::Check(bool ok, const std::string& problem) {
    if (!ok) problems_.push_back(problem);
}

void CaseReport::FailOnProblems() {
    for (const std::string& problem : problems_) {
        PrintLine("robustness fail case=" + name_ + " text=" + problem);
        ADD_FAILURE() << problem;
    }
    problems_.clear();
}

void CheckNoGrowth(CaseReport& report, const resource_counts::ResourceCounts& before,
                   const resource_counts::ResourceCounts& after, const LeakBounds& bounds) {
    std::string changes;
    const auto check = [&](const char* what, long long from, long long to, long long bound) {
        const std::string text = std::string(what) + ":" + std::to_string(from) + "->" + std::to_string(to);
        changes += (changes.empty() ? "" : " ") + text;
        EXPECT_GE(from, 0) << what << " cannot be counted";
        EXPECT_LE(to - from, bound) << text;
        if (to - from > bound) report.Leak(text);
    };
    check("gdi_objects", before.gdi_objects, after.gdi_objects, bounds.gdi_objects);
    check("user_objects", before.user_objects, after.user_objects, bounds.user_objects);
    check("kernel_handles", before.kernel_handles, after.kernel_handles, bounds.kernel_handles);
    check("heap_bytes", static_cast<long long>(before.heap_bytes), static_cast<long long>(after.heap_bytes),
          static_cast<long long>(bounds.heap_bytes));
    check("working_set_bytes", static_cast<long long>(before.working_set_bytes),
          static_cast<long long>(after.working_set_bytes), static_cast<long long>(bounds.working_set_bytes));
    report.Note(changes);
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::NoPane: return "no-pane";
    case Outcome::Unreadable: return "unreadable";
    case Outcome::IconOnly: return "icon-only";
    case Outcome::Hint: return "hint";
    case Outcome::Picture: return "picture";
    }
    return "?";
}


void CheckPaneLife(CaseReport& report, const std::string& label, const PreviewResult& result) {
    const auto hr_text = [](HRESULT hr) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
        return std::string(text);
    };
    report.Check(result.created == S_OK, label + ": CreateInstance " + hr_text(result.created));
    report.Check(result.initialize == S_OK, label + ": Initialize " + hr_text(result.initialize));
    report.Check(result.do_preview == S_OK, label + ": DoPreview " + hr_text(result.do_preview));
    report.Check(result.set_rect == S_OK, label + ": SetRect " + hr_text(result.set_rect));
    report.Check(result.unload == S_OK, label + ": Unload " + hr_text(result.unload));
    report.Check(!result.pane_left_after_unload, label + ": a window is left after Unload");
    report.Check(result.refs_after_release == 0,
                 label + ": " + std::to_string(result.refs_after_release) + " references left after the last Release");
}

void CheckOutcome(CaseReport& report, const std::string& label, Outcome actual,
                  const std::vector<Outcome>& allowed) {
    std::string expected;
    for (Outcome outcome : allowed) {
        if (outcome == actual) return;
        expected += expected.empty() ? "" : " or ";
        expected += OutcomeName(outcome);
    }
    report.Check(false, label + ": the pane shows " + OutcomeName(actual) + ", expected " + expected);
}

PreviewResult PreviewOnce(IStream* stream, HWND parent) {
    return Preview(stream, parent, kPaneRect, kResizedPaneRect, true);
}

PreviewResult PreviewQuickly(IStream* stream, HWND parent) {
    return Preview(stream, parent, kSmallPaneRect, kResizedSmallPaneRect, false);
}

StoreEntry StoreEntry::File(const std::wstring& key, const std::vector<std::uint8_t>& bytes) {
    StoreEntry entry(StorePathFor(key), false);
    WriteWholeFile(entry.path_, bytes);
    return entry;
}

StoreEntry StoreEntry::Folder(const std::wstring& key) {
    StoreEntry entry(StorePathFor(key), true);
    if (!CreateDirectoryW(entry.path_.c_str(), nullptr)) throw std::runtime_error("cannot create a store folder");
    return entry;
}

StoreEntry::StoreEntry(StoreEntry&& other) noexcept
    : path_(std::exchange(other.path_, std::wstring())), folder_(other.folder_) {}

StoreEntry::~StoreEntry() {
    if (path_.empty()) return;
    if (folder_) {
        RemoveDirectoryW(path_.c_str());
    } else {
        DeleteFileW(path_.c_str());
    }
}

PngFile ColourfulPng(int width, int height, int idat_chunks) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<std::uint8_t>(200 + x % 50));
            raw.push_back(static_cast<std::uint8_t>(40 + y % 60));
            raw.push_back(static_cast<std::uint8_t>(x < width / 2 ? 30 : 160));
        }
    }
    const std::vector<std::uint8_t> compressed = StoredZlib(raw);

    PngWriter png;
    png.Chunk("IHDR", Ihdr(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    const std::string comment = "Comment";
    std::vector<std::uint8_t> text(comment.begin(), comment.end());
    text.push_back(0);
    text.insert(text.end(), {'r', 'o', 'b', 'u', 's', 't'});
    png.Chunk("tEXt", text);
    const std::size_t part = (compressed.size() + idat_chunks - 1) / idat_chunks;
    for (std::size_t from = 0; from < compressed.size(); from += part) {
        const std::size_t to = std::min(compressed.size(), from + part);
        png.Chunk("IDAT", std::vector<std::uint8_t>(compressed.begin() + from, compressed.begin() + to));
    }
    return png.Finish();
}

void PreviewCase::SetUp() {
    const PngFile good = ColourfulPng(96, 64, 3);
    std::vector<std::uint8_t> damaged = good.bytes;
    damaged[good.chunk_starts[1] - 1] ^= 1;  // the header chunk's CRC
    warming_up_ = true;
    TryContent("warm-up", UniqueContent("warm-up"), {Outcome::Hint});
    TryStored("warm-up", good.bytes, {Outcome::Picture});
    TryStored("warm-up", damaged, {Outcome::Hint, Outcome::Picture});
    TryStored("warm-up", std::vector<std::uint8_t>(good.bytes.begin(), good.bytes.begin() + 200), {Outcome::Hint});
    warming_up_ = false;
    before_ = resource_counts::TakeResourceCounts();
}

void PreviewCase::TearDown() {
    if (IsSkipped()) return;
    PumpMessages();
    CheckNoGrowth(report_, before_, resource_counts::TakeResourceCounts(), LeakBounds{});
    report_.FailOnProblems();
}

void PreviewCase::TryPreview(const std::string& label, IStream* stream, const std::vector<Outcome>& allowed) {
    if (!warming_up_) report_.Input(label);
    const std::size_t working_set = resource_counts::WorkingSetBytes();
    const PreviewResult result = PreviewOnce(stream, host_.handle());
    CheckPaneLife(report_, label, result);
    CheckOutcome(report_, label, result.outcome, allowed);
    report_.Note(label + ": " + OutcomeName(result.outcome));
    const std::size_t peak = resource_counts::PeakWorkingSetBytes();
    report_.Check(peak <= working_set + peak_allowance_,
                  label + ": the peak working set rose by " + std::to_string((peak - working_set) >> 20) + " MiB");
}

void PreviewCase::TryContent(const std::string& label, const std::vector<std::uint8_t>& content,
                             const std::vector<Outcome>& allowed) {
    ScriptedStream stream(content);
    TryPreview(label, &stream, allowed);
    report_.Check(stream.refs() == 1, label + ": the stream is still held");
}

void PreviewCase::TryStored(const std::string& label, const std::vector<std::uint8_t>& stored,
                            const std::vector<Outcome>& allowed) {
    const std::vector<std::uint8_t> content = UniqueContent(label);
    const StoreEntry entry = StoreEntry::File(KeyOf(content), stored);
    TryContent(label, content, allowed);
}

}  // namespace robustness
