// Fixtures for tests of the preview pane form under Wine: files in the Preview
// store, a module copy in a folder of the test's own, pictures written byte by byte,
// a host window, and captures of the pane's pixels.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "png_bytes.h"
#include "store_fixtures.h"
#include "test_windows.h"

namespace form_test {

using png_bytes::Crc32;
using store_fixtures::KeyOf;
using store_fixtures::StoredFile;

// Bytes that no other test uses, so that their key is unique.
inline std::vector<std::uint8_t> UniqueContent() { return store_fixtures::UniqueContent("pane test"); }

using PixelFunction = std::function<COLORREF(int x, int y)>;

// A PNG file (8-bit RGB, uncompressed deflate blocks), written byte by byte
// rather than by the codec that the pane decodes it with, so that the bytes
// are known exactly: a cut falls inside the pixel data, a header can be forged.
inline std::vector<std::uint8_t> Png(int width, int height, const PixelFunction& pixel) {
    return png_bytes::RgbPng(width, height, [&pixel](int x, int y) {
        const COLORREF c = pixel(x, y);
        return png_bytes::Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
    });
}

// A BMP file (24-bit, bottom-up): a valid picture that is not a PNG.
std::vector<std::uint8_t> Bmp(int width, int height, COLORREF colour);

// The picture of the given size in four solid quarters (see QuarterColour).
std::vector<std::uint8_t> QuartersPng(int width, int height);
COLORREF QuarterColour(bool right, bool bottom);

// A copy of the test module (carrying the pane's icon) in a fresh folder,
// with handler.dat beside it when `texts_file` is given; loaded.
class ModuleCopy {
public:
    explicit ModuleCopy(const std::vector<std::uint8_t>* texts_file = nullptr);
    ~ModuleCopy();
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;
    HINSTANCE handle() const { return module_; }
    std::wstring texts_file_path() const { return folder_ + L"handler.dat"; }

private:
    std::wstring folder_;
    HINSTANCE module_ = nullptr;
};

using tamsel_test::HostWindow;
using tamsel_test::PumpMessages;

// The client area of a window as 32-bit pixels, top row first.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB

    COLORREF At(int x, int y) const;
    // Pixels in [left, right) x [top, bottom) that differ from `background`.
    int CountOther(int left, int top, int right, int bottom, COLORREF background) const;
    // The leftmost column in the rows [top, bottom) with a pixel other than `background`, or -1.
    int FirstOtherColumn(int left, int top, int right, int bottom, COLORREF background) const;
    void SavePng(const std::wstring& path) const;
};

// What the window paints when asked to print its client area.
Capture PrintClient(HWND hwnd);
// What is on the screen for the window, after it has painted itself.
Capture ScreenPixels(HWND hwnd);

// Success when each channel of `a` and `b` differs by at most `tolerance`.
::testing::AssertionResult Near(COLORREF a, COLORREF b, int tolerance = 2);

std::wstring ScreenshotFolder();

}  // namespace form_test
