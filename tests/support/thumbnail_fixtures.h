// What the thumbnail tests share: content of their own, its picture planted in
// the Preview store, a patterned picture, and one thumbnail read back from its
// bits.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <thumbcache.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "png_bytes.h"
#include "preview_store.h"
#include "scripted_stream.h"

namespace thumbnail_test {

// Bytes that no other test or run uses, so that their key is the caller's own.
inline std::vector<std::uint8_t> UniqueContent(const std::string& tag) {
    static std::atomic<int> counter{0};
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t guid_text[40] = {};
    StringFromGUID2(guid, guid_text, 40);
    std::string text = "ISO-10303-21; thumbnail " + tag + " " + std::to_string(GetCurrentProcessId()) + " " +
                       std::to_string(++counter) + " ";
    for (const wchar_t* c = guid_text; *c; ++c) text.push_back(static_cast<char>(*c));
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::wstring KeyOf(const std::vector<std::uint8_t>& content) {
    ScriptedStream stream(content);
    return tamsel::ComputePreviewKey(&stream);
}

// `bytes` stored as the picture of `content`, removed again at the end.
class StoredFile {
public:
    StoredFile(const std::vector<std::uint8_t>& content, const std::vector<std::uint8_t>& bytes) {
        const std::wstring folder = tamsel::GetPreviewStoreFolder();
        const std::wstring key = KeyOf(content);
        if (folder.empty() || key.empty()) throw std::runtime_error("no store path");
        CreateDirectoryW(folder.c_str(), nullptr);
        path_ = folder + key;
        const HANDLE file =
            CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a store file");
        DWORD written = 0;
        const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a store file");
    }
    ~StoredFile() { DeleteFileW(path_.c_str()); }
    StoredFile(const StoredFile&) = delete;
    StoredFile& operator=(const StoredFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// The pattern: a grid of blocks, each of its own colour, so that every
// block's place, and so the row order, shows in a thumbnail of any size.
inline constexpr int kPatternColumns = 4;
inline constexpr int kPatternRows = 3;

inline png_bytes::Rgb BlockColour(int column, int row) {
    static const png_bytes::Rgb kColours[kPatternRows][kPatternColumns] = {
        {{230, 30, 30}, {30, 200, 40}, {40, 60, 220}, {240, 220, 20}},
        {{20, 210, 220}, {210, 40, 200}, {250, 140, 10}, {120, 60, 20}},
        {{10, 10, 10}, {250, 250, 250}, {128, 128, 128}, {90, 170, 110}},
    };
    return kColours[row][column];
}

inline std::vector<std::uint8_t> PatternPng(int width, int height) {
    return png_bytes::RgbPng(width, height, [&](int x, int y) {
        return BlockColour(x * kPatternColumns / width, y * kPatternRows / height);
    });
}

// One GetThumbnail call and the bitmap it gave, deleted with this object.
struct Thumbnail {
    HRESULT result = E_FAIL;
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
    std::vector<std::uint32_t> pixels;  // the bits as stored, row 0 first

    Thumbnail() = default;
    Thumbnail(Thumbnail&& other) noexcept { *this = std::move(other); }
    Thumbnail& operator=(Thumbnail&& other) noexcept {
        if (this != &other) {
            if (bitmap) DeleteObject(bitmap);
            result = other.result;
            bitmap = std::exchange(other.bitmap, nullptr);
            alpha = other.alpha;
            width = other.width;
            height = other.height;
            bits_per_pixel = other.bits_per_pixel;
            pixels = std::move(other.pixels);
        }
        return *this;
    }
    ~Thumbnail() {
        if (bitmap) DeleteObject(bitmap);
    }

    static Thumbnail Get(IThumbnailProvider* provider, UINT cx) {
        Thumbnail thumbnail;
        thumbnail.result = provider->GetThumbnail(cx, &thumbnail.bitmap, &thumbnail.alpha);
        DIBSECTION dib = {};
        if (!thumbnail.bitmap || GetObjectW(thumbnail.bitmap, sizeof dib, &dib) != sizeof dib) return thumbnail;
        thumbnail.width = dib.dsBm.bmWidth;
        // Wine reports top-down DIB sections with a positive height: the row
        // order shows only in the bits.
        thumbnail.height = std::abs(dib.dsBm.bmHeight);
        thumbnail.bits_per_pixel = dib.dsBm.bmBitsPixel;
        if (thumbnail.bits_per_pixel != 32 || !dib.dsBm.bmBits) return thumbnail;
        const auto* bits = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
        thumbnail.pixels.assign(bits, bits + static_cast<std::size_t>(thumbnail.width) * thumbnail.height);
        return thumbnail;
    }

    png_bytes::Rgb At(int x, int y) const {
        const std::uint32_t p = pixels.at(static_cast<std::size_t>(y) * width + x);
        return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)};
    }

    // The bits as a PNG, rows in the order they are stored, to be looked at.
    void SaveAsPng(const std::wstring& path) const {
        const std::vector<std::uint8_t> png =
            png_bytes::RgbPng(width, height, [this](int x, int y) { return At(x, y); });
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
        CloseHandle(file);
    }
};

}  // namespace thumbnail_test
