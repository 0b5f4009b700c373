// The stored preview picture as the pane holds it: decoded once, copied into
// pixels of its own, and drawn fitted on every paint.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pane_rules.h"

namespace Gdiplus {
class GpBitmap;
}

namespace tamsel {

class PanePicture {
public:
    // The PNG at `path`, or null when it is missing, locked by a writer, too
    // large, not a PNG, or cannot be decoded. Needs GDI+ running.
    static std::unique_ptr<PanePicture> Load(const std::wstring& path) noexcept;
    ~PanePicture();
    PanePicture(const PanePicture&) = delete;
    PanePicture& operator=(const PanePicture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Scales the picture into `target` (device pixels), edge to edge.
    void Draw(HDC dc, const PaneBox& target) const noexcept;

private:
    PanePicture(int width, int height);
    void DrawAtOrigin(HDC dc, int width, int height) const noexcept;

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;     // 32-bit premultiplied BGRA, top row first
    Gdiplus::GpBitmap* bitmap_ = nullptr;  // over pixels_, owned
};

}  // namespace tamsel
