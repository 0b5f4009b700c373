// The bitmap the stand-in draws its scene and saves its windows with.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win32_raii.h"

namespace standin {

// A 32-bit bottom-up DIB section (blue, green, red, unused; the bottom row
// first) selected into its own memory DC.
class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    explicit operator bool() const { return bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    const std::uint8_t* bits() const { return static_cast<const std::uint8_t*>(bits_); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    tamsel::UniqueMemoryDc dc_;
    tamsel::UniqueGdiObject bitmap_;
    void* bits_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace standin
