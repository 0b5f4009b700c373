// A picture from the Preview store, as both deliverables read it. The store
// is writable by every user, so a file is judged by its size and its header
// before GDI+ decodes it, and only a picture of preview size is decoded.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Gdiplus {
class GpBitmap;
}

namespace tamsel {

// Previews are at most 512 x 384 pixels; a file far larger is not one of ours.
inline constexpr std::size_t kMaxStoredPictureBytes = 64u << 20;

class StorePicture {
public:
    // The PNG at `path`, decoded into pixels of its own (the file is closed
    // again); null when the file is missing, held by a writer, larger than
    // kMaxStoredPictureBytes, not a PNG, claims a side over kMaxPreviewSide, or
    // does not decode in full. Needs GDI+ running; never throws.
    static std::unique_ptr<StorePicture> Load(const std::wstring& path) noexcept;
    ~StorePicture();
    StorePicture(const StorePicture&) = delete;
    StorePicture& operator=(const StorePicture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Scales the whole picture into (0, 0, width, height) of `dc`, edge to edge,
    // with high-quality filtering. At the origin only: Wine's GDI+ drops the
    // first row and column of a picture scaled to an offset. False when GDI+
    // refused to draw.
    bool DrawAtOrigin(HDC dc, int width, int height) const noexcept;

private:
    StorePicture(int width, int height);

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;     // 32-bit premultiplied BGRA, top row first
    Gdiplus::GpBitmap* bitmap_ = nullptr;  // over pixels_, owned
};

}  // namespace tamsel
