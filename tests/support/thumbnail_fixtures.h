// What the thumbnail tests share: a patterned picture, and one thumbnail read
// back from its bits.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <thumbcache.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "png_bytes.h"
#include "store_fixtures.h"
#include "win32_raii.h"

namespace thumbnail_test {

using store_fixtures::StoredFile;
using store_fixtures::UniqueContent;

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
    tamsel::UniqueGdiObject bitmap;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
    std::vector<std::uint32_t> pixels;  // the bits as stored, row 0 first

    static Thumbnail Get(IThumbnailProvider* provider, UINT cx) {
        Thumbnail thumbnail;
        HBITMAP bitmap = nullptr;
        thumbnail.result = provider->GetThumbnail(cx, &bitmap, &thumbnail.alpha);
        thumbnail.bitmap.reset(bitmap);
        DIBSECTION dib = {};
        if (!bitmap || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return thumbnail;
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
        store_fixtures::WriteWholeFile(path, png_bytes::RgbPng(width, height, [this](int x, int y) { return At(x, y); }));
    }
};

// Whether two colours differ by at most `tolerance` in every channel: the
// thumbnail is scaled, and Wine's GDI+ scales without high-quality bicubic.
inline bool Near(png_bytes::Rgb seen, png_bytes::Rgb expected, int tolerance = 3) {
    return std::abs(seen.red - expected.red) <= tolerance && std::abs(seen.green - expected.green) <= tolerance &&
           std::abs(seen.blue - expected.blue) <= tolerance;
}

// The pattern's blocks, sampled at their centres, must come through in place:
// row 0 of the bits is the picture's top row. Only the inside of the blocks is
// compared, where scaling leaves the colours alone.
inline void ExpectPattern(const Thumbnail& thumbnail, const std::string& label) {
    for (int row = 0; row < kPatternRows; ++row) {
        for (int column = 0; column < kPatternColumns; ++column) {
            const int x = (2 * column + 1) * thumbnail.width / (2 * kPatternColumns);
            const int y = (2 * row + 1) * thumbnail.height / (2 * kPatternRows);
            const png_bytes::Rgb expected = BlockColour(column, row);
            const png_bytes::Rgb seen = thumbnail.At(x, y);
            EXPECT_NEAR(seen.red, expected.red, 3) << label << " block " << column << "," << row;
            EXPECT_NEAR(seen.green, expected.green, 3) << label << " block " << column << "," << row;
            EXPECT_NEAR(seen.blue, expected.blue, 3) << label << " block " << column << "," << row;
        }
    }
}

}  // namespace thumbnail_test
