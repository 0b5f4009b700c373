#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "preview_key.h"
#include "preview_store.h"
#include "scripted_stream.h"

namespace {

// The expected keys live in one data file that the renderer's tests read too.
std::map<std::string, std::wstring> ExpectedKeys() {
    std::map<std::string, std::wstring> keys;
    std::ifstream in(std::filesystem::path(std::wstring(TAMSEL_TEST_DATA_DIR) + L"/preview-keys.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        keys[line.substr(space + 1)] = std::wstring(line.begin(), line.begin() + space);
    }
    return keys;
}

std::wstring Expected(const std::string& content) {
    static const std::map<std::string, std::wstring> keys = ExpectedKeys();
    const auto found = keys.find(content);
    EXPECT_NE(found, keys.end()) << "no key for " << content << " in preview-keys.txt";
    return found == keys.end() ? L"missing" : found->second;
}

// Byte i is i % 251, as "pattern:N" in preview-keys.txt.
std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

std::wstring SampleFile(const std::string& name) {
    return std::wstring(TAMSEL_TEST_DATA_DIR) + L"/ifc-samples/" + std::wstring(name.begin(), name.end());
}

struct ContentCase {
    const char* label;
    std::vector<std::uint8_t> bytes;
    std::string content;
    int reads;  // requests until the stop rule ends the reading
};

TEST(PreviewKey, MatchesIndependentMd5AndStopsAfterTheFirstShortRead) {
    const ContentCase cases[] = {
        {"empty", {}, "empty", 1},
        {"one byte", Pattern(1), "pattern:1", 1},
        {"exactly one chunk", Pattern(1048576), "pattern:1048576", 2},
        {"one chunk and a byte", Pattern(1048577), "pattern:1048577", 2},
    };
    for (const auto& c : cases) {
        ScriptedStream stream(c.bytes);
        EXPECT_EQ(tamsel::ComputePreviewKey(&stream), Expected(c.content)) << c.label;
        EXPECT_EQ(stream.reads(), c.reads) << c.label;
        EXPECT_EQ(stream.other_calls(), 0) << c.label << ": only Read may be called";
        EXPECT_EQ(stream.refs(), 1) << c.label << ": the stream stays the caller's";
    }
}

TEST(PreviewKey, SampleFilesGiveTheSameKeyThroughStreamAndFile) {
    const char* samples[] = {"AC20-FZK-Haus.ifc", "FormallyIllegalFile.ifc", "SmallModelIfc4.ifc",
                             "testhouse_from Revit_CV20.ifc"};
    for (const auto& s : samples) {
        const std::wstring path = SampleFile(s);
        const std::wstring key = Expected(std::string("sample:") + s);
        EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), key) << path.c_str();

        IStream* stream = nullptr;
        ASSERT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE, nullptr,
                                         &stream),
                  S_OK);
        EXPECT_EQ(tamsel::ComputePreviewKey(stream), key);
        stream->Release();
    }
}

TEST(PreviewKey, ShortReadThatSucceedsEndsTheContent) {
    ScriptedStream stream(Pattern(5000));
    stream.Script(0, {1000, S_OK});
    EXPECT_EQ(tamsel::ComputePreviewKey(&stream), Expected("pattern:1000"));
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
        ScriptedStream stream(Pattern(c.size));
        stream.Script(c.read_index, c.step);
        EXPECT_EQ(tamsel::ComputePreviewKey(&stream), L"") << c.label;
    }
}

TEST(PreviewKey, HashesFromTheStreamsCurrentPosition) {
    std::vector<std::uint8_t> bytes = {'x', 'y', 0};
    ScriptedStream stream(bytes, 2);
    EXPECT_EQ(tamsel::ComputePreviewKey(&stream), Expected("pattern:1"));
}

TEST(PreviewKey, FileThatCannotBeOpenedOrIsLockedForWritingGivesNoKey) {
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(L""), L"");
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(SampleFile("no such file.ifc")), L"");

    wchar_t dir[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameW(dir, L"tsk", 0, path), 0u);
    HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), L"") << "a writer holds the file";
    CloseHandle(writer);
    EXPECT_EQ(tamsel::ComputePreviewKeyOfFile(path), Expected("empty"));
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
    const std::wstring key = Expected("empty");
    EXPECT_EQ(tamsel::GetPreviewFilePath(key), folder + key);
    EXPECT_EQ(tamsel::GetPreviewFilePath(L""), L"");
}

}  // namespace
