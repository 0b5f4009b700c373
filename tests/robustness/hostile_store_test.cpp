// Files in the Preview store that any user could have put there, shown
// through the built handler: each must give the hint, never a crash, a leak
// or a large allocation.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win32_raii.h"
#include "robustness_support.h"

namespace {

using namespace robustness;

ROBUSTNESS_CASE(EmptyStoredFile, "store-empty-file");
ROBUSTNESS_CASE(TruncatedStoredPng, "store-truncated-png");
ROBUSTNESS_CASE(WrongCrcStoredPng, "store-wrong-crc");
ROBUSTNESS_CASE(NotPngStoredFile, "store-not-png");
ROBUSTNESS_CASE(GiantHeaderStoredPng, "store-giant-header");
ROBUSTNESS_CASE(HugeStoredPng, "store-huge-picture");
ROBUSTNESS_CASE(LockedStoredFile, "store-locked-file");
ROBUSTNESS_CASE(FolderInStore, "store-folder");

TEST_F(EmptyStoredFile, GivesTheHint) { TryStored("0 bytes", {}, {Outcome::Hint}); }

TEST_F(TruncatedStoredPng, GivesTheHintWhilePixelDataIsMissing) {
    const PngFile png = ColourfulPng(96, 64, 3);
    const std::size_t iend = png.chunk_starts[png.chunk_starts.size() - 2];
    // Every chunk boundary, and inside each chunk: its length, type, data and CRC.
    std::vector<std::size_t> cuts = {4};
    for (std::size_t i = 0; i + 1 < png.chunk_starts.size(); ++i) {
        const std::size_t start = png.chunk_starts[i], end = png.chunk_starts[i + 1];
        cuts.insert(cuts.end(), {start, start + 2, start + 6, (start + 8 + end - 4) / 2, end - 2});
    }
    for (std::size_t cut : cuts) {
        const std::string label = "cut at " + std::to_string(cut) + " of " + std::to_string(png.bytes.size());
        const std::vector<std::uint8_t> bytes(png.bytes.begin(), png.bytes.begin() + cut);
        // With every pixel present, a decoder may do without IEND.
        if (cut < iend) {
            TryStored(label, bytes, {Outcome::Hint});
        } else {
            TryStored(label, bytes, {Outcome::Hint, Outcome::Picture});
        }
    }
}

// Whether a checksum is verified is the decoder's choice (Wine's ignores
// them); the pixel data is whole, so either outcome is sound, never a crash.
TEST_F(WrongCrcStoredPng, GivesTheHintOrTheWholePicture) {
    const PngFile png = ColourfulPng(96, 64, 3);
    for (std::size_t i = 0; i + 1 < png.chunk_starts.size(); ++i) {
        std::vector<std::uint8_t> bytes = png.bytes;
        bytes[png.chunk_starts[i + 1] - 4] ^= 0x5A;
        const std::string type(bytes.begin() + png.chunk_starts[i] + 4, bytes.begin() + png.chunk_starts[i] + 8);
        TryStored("CRC of chunk " + std::to_string(i) + " (" + type + ")", bytes, {Outcome::Hint, Outcome::Picture});
    }
}

TEST_F(NotPngStoredFile, GivesTheHint) {
    const PngFile png = ColourfulPng(32, 32, 1);
    std::vector<std::uint8_t> bmp = {'B', 'M'};
    bmp.resize(4096, 0x11);
    std::vector<std::uint8_t> noise(64 * 1024);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    std::vector<std::uint8_t> signature_then_noise(png.bytes.begin(), png.bytes.begin() + 8);
    signature_then_noise.insert(signature_then_noise.end(), noise.begin(), noise.end());
    std::vector<std::uint8_t> damaged_signature = png.bytes;
    std::swap(damaged_signature[1], damaged_signature[2]);
    const std::string text = "To generate preview please open this file in Kelvarrion first.";

    const struct {
        const char* label;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"text", {text.begin(), text.end()}},
        {"bitmap header and filler", bmp},
        {"noise", noise},
        {"PNG signature then noise", signature_then_noise},
        {"PNG with a damaged signature", damaged_signature},
        {"JPEG start", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00}},
    };
    for (const auto& c : cases) TryStored(c.label, c.bytes, {Outcome::Hint});
}

TEST_F(GiantHeaderStoredPng, GivesTheHintWithoutDecoding) {
    const struct {
        std::uint32_t width, height;
    } sizes[] = {
        {100000, 100000}, {0xFFFFFFFF, 0xFFFFFFFF}, {0x80000000, 1}, {16385, 1}, {1, 16385}, {2049, 1}, {1, 2049}, {0, 0}, {0, 64},
    };
    for (const auto& size : sizes) {
        TryStored("claims " + std::to_string(size.width) + " x " + std::to_string(size.height),
                  PngClaiming(size.width, size.height), {Outcome::Hint});
    }
}

// A real picture far larger than any preview, a few megabytes on disk:
// decoded it would take 1 GiB.
TEST_F(HugeStoredPng, GivesTheHintWithBoundedMemory) {
    TryStored("16384 x 16384 black", BlackPng(16384, 16384), {Outcome::Hint});
}

TEST_F(LockedStoredFile, GivesTheHintWhileAWriterHoldsIt) {
    const std::vector<std::uint8_t> content = UniqueContent("locked");
    const StoreEntry entry = StoreEntry::File(KeyOf(content), ColourfulPng(96, 64, 2).bytes);
    {
        // As the plugin writes a picture: read and write access, no sharing.
        const tamsel::UniqueFile writer(CreateFileW(entry.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        TryContent("valid picture held open without sharing", content, {Outcome::Hint});
    }
    TryContent("the same picture once released", content, {Outcome::Picture});
}

TEST_F(FolderInStore, GivesTheHint) {
    const std::vector<std::uint8_t> content = UniqueContent("folder");
    const StoreEntry entry = StoreEntry::Folder(KeyOf(content));
    TryContent("a folder named by the key", content, {Outcome::Hint});
}

// Points the machine's common application-data folder elsewhere for the
// life of the object, as an administrator could.
class CommonAppDataMoved {
public:
    explicit CommonAppDataMoved(const std::wstring& folder) {
        for (Value& value : values_) {
            value.saved = RegGetValueW(HKEY_LOCAL_MACHINE, value.key, kName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                                           RRF_NOEXPAND, &value.type, value.data, &value.size) == ERROR_SUCCESS;
            Set(value.key, REG_SZ, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
        }
    }
    ~CommonAppDataMoved() {
        for (const Value& value : values_) {
            if (value.saved) Set(value.key, value.type, value.data, value.size);
        }
    }
    CommonAppDataMoved(const CommonAppDataMoved&) = delete;
    CommonAppDataMoved& operator=(const CommonAppDataMoved&) = delete;

private:
    static constexpr wchar_t kName[] = L"Common AppData";
    struct Value {
        const wchar_t* key;
        bool saved = false;
        DWORD type = 0;
        wchar_t data[MAX_PATH] = {};
        DWORD size = sizeof data;
    };
    static void Set(const wchar_t* key, DWORD type, const void* data, std::size_t size) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, kName, type, data, static_cast<DWORD>(size));
    }
    Value values_[2] = {{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"},
                        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}};
};

// Creates `folder` with its missing parents.
void CreateFolders(const std::wstring& folder) {
    for (std::size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1)) {
        CreateDirectoryW(folder.substr(0, end).c_str(), nullptr);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
}

// Removes `folder` and its parents up to `last`, all of them empty by now.
void RemoveFoldersUpTo(std::wstring folder, const std::wstring& last) {
    while (folder.size() >= last.size() - 1 && RemoveDirectoryW(folder.c_str())) {
        folder.resize(folder.find_last_of(L'\\'));
    }
}

// Moving the common application-data folder changes it for every process of
// the machine, so the case runs only where the run has the machine to itself
// (scripts/robustness.sh sets TAMSEL_ROBUSTNESS_OWN_PREFIX).
class LongStorePath : public PreviewCase {
protected:
    LongStorePath() : PreviewCase("store-long-path") {}
    void SetUp() override {
        if (!std::getenv("TAMSEL_ROBUSTNESS_OWN_PREFIX")) GTEST_SKIP() << "needs a Wine prefix of its own";
        PreviewCase::SetUp();
    }
};

// The store's path passes 260 characters when the common application-data
// folder is long.
TEST_F(LongStorePath, GivesTheHintOrThePicture) {
    const std::wstring base = L"C:\\robustness-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    const struct {
        const char* label;
        std::wstring folder;
        bool present;
        std::vector<Outcome> allowed;
    } cases[] = {
        // Files past 260 characters open only where the platform allows long paths.
        {"folder of 243 characters", base + std::wstring(243 - base.size(), L'a'), true,
         {Outcome::Hint, Outcome::Picture}},
        {"folder of 259 characters", base + std::wstring(200, L'b') + L"\\" + std::wstring(258 - base.size() - 200, L'c'),
         true, {Outcome::Hint, Outcome::Picture}},
        {"folder of 243 characters, absent", base + std::wstring(243 - base.size(), L'd'), false, {Outcome::Hint}},
    };
    const std::vector<std::uint8_t> picture = ColourfulPng(96, 64, 2).bytes;
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> content = UniqueContent("long path");
        const CommonAppDataMoved moved(c.folder);
        if (c.present) {
            CreateFolders(c.folder);
            {
                const StoreEntry entry = StoreEntry::File(KeyOf(content), picture);
                report_.Check(entry.path().size() > MAX_PATH, std::string(c.label) + ": the store path is short");
                TryContent(c.label, content, c.allowed);
            }
            RemoveFoldersUpTo(c.folder + L"\\tamsel", base);
        } else {
            TryContent(c.label, content, c.allowed);
        }
    }
}

}  // namespace
