// The store files and streams that the pane refuses, given to the thumbnail
// provider of the built handler: each must give a failure with no bitmap (or,
// where the pixels are whole, the picture), never a crash, a leak or a large
// allocation, and leave the server count at zero.
#include <gtest/gtest.h>

#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <string>
#include <utility>
#include <vector>

#include "win32_raii.h"
#include "../handler_com/handler_dll.h"
#include "robustness_support.h"
#include "scripted_stream.h"
#include "thumbnail_fixtures.h"

namespace {

using namespace robustness;
using tamsel::ComPtr;
using thumbnail_test::Thumbnail;

enum class Expect { NoThumbnail, EitherOutcome };

class HostileThumbnails : public ::testing::Test {
protected:
    void SetUp() override {
        // The first thumbnails start GDI+ and the decoder, which stay.
        Try("warm-up, picture", ColourfulPng(96, 64, 2).bytes, Expect::EitherOutcome);
        Try("warm-up, no PNG", {'n', 'o'}, Expect::NoThumbnail);
        warming_up_ = false;
        before_ = resource_counts::TakeResourceCounts();
    }

    void TearDown() override {
        report_.Check(HandlerDll::Built().DllCanUnloadNow() == S_OK, "the server count is not back at zero");
        CheckNoGrowth(report_, before_, resource_counts::TakeResourceCounts(), LeakBounds{});
        report_.FailOnProblems();
    }

    // One thumbnail of `stream` at 256 pixels.
    void TryStream(const std::string& label, ScriptedStream& stream, Expect expect) {
        if (!warming_up_) report_.Input(label);
        const std::size_t working_set = resource_counts::WorkingSetBytes();
        {
            const ComPtr<IThumbnailProvider> provider = InitializedThumbnailProvider(&stream);
            report_.Check(static_cast<bool>(provider), label + ": no initialised provider");
            if (provider) {
                const Thumbnail thumbnail = Thumbnail::Get(provider.get(), 256);
                report_.Check(SUCCEEDED(thumbnail.result) == static_cast<bool>(thumbnail.bitmap),
                              label + ": the result and the bitmap disagree");
                if (expect == Expect::NoThumbnail) {
                    report_.Check(FAILED(thumbnail.result), label + ": a thumbnail came back");
                }
                report_.Note(label + (thumbnail.bitmap ? ": thumbnail" : ": no thumbnail"));
            }
        }
        report_.Check(stream.refs() == 1, label + ": the stream is still held");
        const std::size_t peak = resource_counts::PeakWorkingSetBytes();
        report_.Check(peak <= working_set + (64u << 20),
                      label + ": the peak working set rose by " + std::to_string((peak - working_set) >> 20) + " MiB");
    }

    // A file whose stored picture consists of `stored`.
    void Try(const std::string& label, const std::vector<std::uint8_t>& stored, Expect expect) {
        const std::vector<std::uint8_t> content = UniqueContent(label);
        const StoreEntry entry = StoreEntry::File(KeyOf(content), stored);
        ScriptedStream stream(content);
        TryStream(label, stream, expect);
    }

    CaseReport report_{"thumbnail-hostile-input"};

private:
    bool warming_up_ = true;
    resource_counts::ResourceCounts before_;
};

TEST_F(HostileThumbnails, StoreFilesAndStreamsThePaneRefusesGiveNoThumbnail) {
    const PngFile png = ColourfulPng(96, 64, 3);
    const std::size_t iend = png.chunk_starts[png.chunk_starts.size() - 2];
    for (std::size_t i = 0; i + 1 < png.chunk_starts.size(); ++i) {
        const std::size_t start = png.chunk_starts[i], end = png.chunk_starts[i + 1];
        for (const std::size_t cut : {start + 6, (start + 8 + end - 4) / 2}) {
            // With every pixel present, a decoder may do without IEND.
            Try("cut at " + std::to_string(cut), {png.bytes.begin(), png.bytes.begin() + cut},
                cut < iend ? Expect::NoThumbnail : Expect::EitherOutcome);
        }
        std::vector<std::uint8_t> wrong_crc = png.bytes;
        wrong_crc[end - 4] ^= 0x5A;
        Try("CRC of chunk " + std::to_string(i), wrong_crc, Expect::EitherOutcome);
    }
    const std::string text = "To generate preview please open this file in Kelvarrion first.";
    Try("empty file", {}, Expect::NoThumbnail);
    Try("text", {text.begin(), text.end()}, Expect::NoThumbnail);
    const std::string signature_then_text = std::string(png.bytes.begin(), png.bytes.begin() + 8) + text;
    Try("PNG signature then text", {signature_then_text.begin(), signature_then_text.end()}, Expect::NoThumbnail);
    for (const auto& size : {std::pair<std::uint32_t, std::uint32_t>{100000, 100000}, {0xFFFFFFFF, 0xFFFFFFFF},
                             {2049, 1}, {1, 2049}, {0, 0}}) {
        Try("claims " + std::to_string(size.first) + " x " + std::to_string(size.second),
            PngClaiming(size.first, size.second), Expect::NoThumbnail);
    }
    Try("16384 x 16384 black", BlackPng(16384, 16384), Expect::NoThumbnail);

    {
        const std::vector<std::uint8_t> content = UniqueContent("locked");
        const StoreEntry entry = StoreEntry::File(KeyOf(content), png.bytes);
        // As the plugin writes a picture: read and write access, no sharing.
        const tamsel::UniqueFile writer(CreateFileW(entry.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        report_.Check(static_cast<bool>(writer), "the picture cannot be held open");
        ScriptedStream stream(content);
        TryStream("picture held open by a writer", stream, Expect::NoThumbnail);
    }
    {
        const std::vector<std::uint8_t> content = UniqueContent("folder");
        const StoreEntry entry = StoreEntry::Folder(KeyOf(content));
        ScriptedStream stream(content);
        TryStream("a folder named by the key", stream, Expect::NoThumbnail);
    }

    // The stream's faults: the content ends there, and no picture is stored
    // under what was read before.
    const std::vector<std::uint8_t> content = UniqueContent("stream faults");
    const StoreEntry entry = StoreEntry::File(KeyOf(content), png.bytes);
    const struct {
        const char* label;
        ScriptedStream::Step step;
    } faults[] = {
        {"read error, nothing delivered", {0, E_FAIL}},
        {"read error after 10 bytes", {10, STG_E_READFAULT}},
        {"short read of 10 bytes", {10, S_OK}},
        {"count claiming more than asked", {0, S_OK, 0, false, 0x7FFFFFFF}},
    };
    for (const auto& fault : faults) {
        ScriptedStream stream(content);
        stream.Script(0, fault.step);
        TryStream(fault.label, stream, Expect::NoThumbnail);
    }
}

}  // namespace
