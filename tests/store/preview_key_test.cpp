#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "preview_key.h"
#include "preview_store.h"
#include "scripted_stream.h"

namespace {

// Expected keys were made independently with Python:
//   hashlib.md5(content + b"Tor Wendal").digest(), then "0123456789abcdef"[b & 15] per byte.
constexpr wchar_t kEmptyKey[] = L"656d7e221adf1aff";
constexpr wchar_t kOneByteKey[] = L"a4e7bbd33a8e59dc";         // b"a"
constexpr wchar_t kOneChunkKey[] = L"5263308ff4170df2";        // 1,048,576 x 0x5A
constexpr wchar_t kChunkPlusOneKey[] = L"c3d471112205604e";    // 1,048,577 x 0x5A
constexpr wchar_t kThousandBytesKey[] = L"c7706de2cdc94c58";   // 1,000 x 0x5A

std::vector<std::uint8_t> Filled(std::size_t n) { return std::vector<std::uint8_t>(n, 0x5A); }

std::wstring SampleFile(const wchar_t* name) {
    return std::wstring(TAMSEL_TEST_DATA_DIR) + L"/ifc-samples/" + name;
}

struct ContentCase {
    const char* label;
    std::vector<std::uint8_t> bytes;
    const wchar_t* key;
    int reads;  // requests until the stop rule ends the reading
};

TEST(PreviewKey, MatchesIndependentMd5AndStopsAfterTheFirstShortRead) {
    const ContentCase cases[] = {
        {"empty", {}, kEmptyKey, 1},
        {"one byte", {'a'}, kOneByteKey, 1},
        {"exactly one chunk", Filled(1048576), kOneChunkKey, 2},
        {"one chunk and a byte", Filled(1048577), kChunkPlusOneKey, 2},
    };
    for (const auto& c : cases) {
        ScriptedStream stream(c.bytes);
        EXPECT_EQ(tamsel::ComputePreviewKey(&stream), c.key) << c.label;
        EXPECT_EQ(stream.reads(), c.reads) << c.label;
        EXPECT_EQ(stream.other_calls(), 0) << c.label << ": only Read may be called";
        EXPECT_EQ(stream.refs(), 1) << c.label << ": the stream stays the caller's";
    }
}

TEST(PreviewKey, SampleFilesGiveTheSameKeyThroughStreamAndFile) {
    const struct {
        const wchar_t* name;
        const wchar_t* key;
    } samples[] = {
        {L"AC20-FZK-Haus.ifc", L"30649a1395cb4fcd"},
        {L"FormallyIllegalFile.ifc", L"c9b5249645bc887f"},
        {L"SmallModelIfc4.ifc", L"674f89654316a225"},
        {L"testhouse_from Revit_CV20.ifc", L"aa15365bb21c4c9f"},
    };
    for (const auto& s : samples) {
        const std::wstring path = SampleFile(s.name);
        EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), s.key) << path.c_str();

        IStream* stream = nullptr;
        ASSERT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE, nullptr,
                                         &stream),
                  S_OK);
        EXPECT_EQ(tamsel::ComputePreviewKey(stream), s.key);
        stream->Release();
    }
}

TEST(PreviewKey, ShortReadThatSucceedsEndsTheContent) {
    ScriptedStream stream(Filled(5000));
    stream.Script(0, {1000, S_OK});
    EXPECT_EQ(tamsel::ComputePreviewKey(&stream), kThousandBytesKey);
    EXPECT_EQ(stream.reads(), 1);
}

TEST(PreviewKey, ReadErrorGivesNoKey) {
    const struct {
        const char* label;
        std::size_t read_index;
        ScriptedStream::Step step;
        std::size_t size;
    } cases[] = {
        {"first read fails with bytes", 0, {1000, E_FAIL}, 5000},
        {"first read fails empty", 0, {0, STG_E_READFAULT}, 5000},
        {"second read fails after a full chunk", 1, {0, E_ACCESSDENIED}, 2 * 1048576 + 7},
    };
    for (const auto& c : cases) {
        ScriptedStream stream(Filled(c.size));
        stream.Script(c.read_index, c.step);
        EXPECT_EQ(tamsel::ComputePreviewKey(&stream), L"") << c.label;
    }
}

TEST(PreviewKey, HashesFromTheStreamsCurrentPosition) {
    std::vector<std::uint8_t> bytes = {'x', 'y', 'a'};
    ScriptedStream stream(bytes, 2);
    EXPECT_EQ(tamsel::ComputePreviewKey(&stream), kOneByteKey);
}

TEST(PreviewKey, FileThatCannotBeOpenedOrIsLockedForWritingGivesNoKey) {
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(L""), L"");
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(SampleFile(L"no such file.ifc")), L"");

    wchar_t dir[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameW(dir, L"tsk", 0, path), 0u);
    HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), L"") << "a writer holds the file";
    CloseHandle(writer);
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), kEmptyKey);
    DeleteFileW(path);
}

// The chunk loop on its own, with a small chunk and a digest that can fail.
class ListedReads final : public tamsel::ChunkSource {
public:
    explicit ListedReads(std::vector<tamsel::ChunkRead> reads) : reads_(std::move(reads)) {}
    tamsel::ChunkRead Read(std::uint8_t* buffer, std::size_t capacity) override {
        const tamsel::ChunkRead r = next_ < reads_.size() ? reads_[next_] : tamsel::ChunkRead{};
        ++next_;
        for (std::size_t i = 0; i < std::min(r.count, capacity); ++i) buffer[i] = static_cast<std::uint8_t>(i);
        return r;
    }
    std::size_t requests() const { return next_; }

private:
    std::vector<tamsel::ChunkRead> reads_;
    std::size_t next_ = 0;
};

class RecordingDigest final : public tamsel::DigestSink {
public:
    bool fail_update_at = false;
    std::size_t fail_update_index = 0;
    std::size_t digest_size = 16;
    std::vector<std::size_t> updates;

    bool Update(const std::uint8_t*, std::size_t size) override {
        updates.push_back(size);
        return !(fail_update_at && updates.size() - 1 == fail_update_index);
    }
    std::size_t Finish(std::uint8_t (&digest)[16]) override {
        for (int i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(0xF0 | i);
        return digest_size;
    }
};

TEST(PreviewKeyChunkLoop, HashesEachDeliveredChunkThenTheSalt) {
    std::uint8_t buffer[8];
    ListedReads source({{8, false}, {8, false}, {3, false}, {8, false}});
    RecordingDigest digest;
    EXPECT_EQ(tamsel::HashChunksToPreviewKey(source, digest, buffer, sizeof buffer), L"0123456789abcdef");
    EXPECT_EQ(source.requests(), 3u) << "the short third read ends the content";
    EXPECT_EQ(digest.updates, (std::vector<std::size_t>{8, 8, 3, tamsel::kPreviewKeySaltSize}));
}

TEST(PreviewKeyChunkLoop, FailuresGiveNoKey) {
    std::uint8_t buffer[8];
    {
        ListedReads source({{9, false}});
        RecordingDigest digest;
        EXPECT_EQ(tamsel::HashChunksToPreviewKey(source, digest, buffer, sizeof buffer), L"")
            << "a count beyond the buffer is not trusted";
    }
    {
        ListedReads source({{8, false}, {2, false}});
        RecordingDigest digest;
        digest.fail_update_at = true;
        digest.fail_update_index = 1;
        EXPECT_EQ(tamsel::HashChunksToPreviewKey(source, digest, buffer, sizeof buffer), L"");
    }
    {
        ListedReads source({{2, false}});
        RecordingDigest digest;
        digest.fail_update_at = true;
        digest.fail_update_index = 1;  // the salt: its outcome does not count
        EXPECT_EQ(tamsel::HashChunksToPreviewKey(source, digest, buffer, sizeof buffer).size(), 16u);
    }
    {
        ListedReads source({{2, false}});
        RecordingDigest digest;
        digest.digest_size = 0;
        EXPECT_EQ(tamsel::HashChunksToPreviewKey(source, digest, buffer, sizeof buffer), L"");
    }
}

TEST(PreviewKeyDigits, UseOnlyTheLowFourBitsOfEachByte) {
    const std::uint8_t digest[] = {0x3A, 0xF0, 0x0F, 0x00};
    EXPECT_EQ(tamsel::PreviewKeyFromDigest(digest, sizeof digest), L"a0f0");
}

TEST(PreviewStore, FolderIsCommonAppDataTamselAndFilesAreNamedByKeyAlone) {
    const std::wstring folder = tamsel::GetPreviewStoreFolder();
    ASSERT_GE(folder.size(), 8u);
    EXPECT_EQ(folder.substr(folder.size() - 8), L"\\tamsel\\");
    EXPECT_EQ(tamsel::GetPreviewFilePath(kEmptyKey), folder + kEmptyKey);
    EXPECT_EQ(tamsel::GetPreviewFilePath(L""), L"");
}

}  // namespace
