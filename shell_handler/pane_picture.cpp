#include "pane_picture.h"

#include <shlwapi.h>
#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include "../common/win32_raii.h"
#include "pane_files.h"
#include "png_header.h"

namespace tamsel {

namespace gp = Gdiplus::DllExports;

namespace {

// Previews are at most 512 x 384 pixels; a file or picture anywhere near these
// limits is not one of ours, and its pixels would cost gigabytes however small
// its file.
constexpr std::size_t kMaxStoredPictureBytes = 64u << 20;
constexpr std::uint64_t kMaxStoredPicturePixels = 2048 * 2048;

struct ImageDeleter {
    void operator()(Gdiplus::GpImage* image) const { gp::GdipDisposeImage(image); }
};
using UniqueGpBitmap = std::unique_ptr<Gdiplus::GpBitmap, ImageDeleter>;

struct GraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const { gp::GdipDeleteGraphics(graphics); }
};
struct AttributesDeleter {
    void operator()(Gdiplus::GpImageAttributes* attributes) const { gp::GdipDisposeImageAttributes(attributes); }
};

UniqueGpBitmap DecodePng(const std::vector<std::uint8_t>& bytes) {
    ComPtr<IStream> stream;
    *stream.put() = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream.get(), &decoded) != Gdiplus::Ok) return nullptr;
    return UniqueGpBitmap(decoded);
}

}  // namespace

PanePicture::PanePicture(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 4) {}

PanePicture::~PanePicture() {
    if (bitmap_) gp::GdipDisposeImage(bitmap_);
}

std::unique_ptr<PanePicture> PanePicture::Load(const std::wstring& path) noexcept {
    try {
        if (path.empty()) return nullptr;
        const auto bytes = ReadSharedFile(path, kMaxStoredPictureBytes);
        // A header claiming a giant picture must never reach the decoder.
        if (!bytes || !IsLoadablePngHeader(bytes->data(), bytes->size())) return nullptr;
        const std::optional<PngSize> size = ReadPngSize(bytes->data(), bytes->size());
        if (std::uint64_t{size->width} * size->height > kMaxStoredPicturePixels) return nullptr;
        const UniqueGpBitmap decoded = DecodePng(*bytes);
        if (!decoded) return nullptr;

        UINT width = 0, height = 0;
        if (gp::GdipGetImageWidth(decoded.get(), &width) != Gdiplus::Ok ||
            gp::GdipGetImageHeight(decoded.get(), &height) != Gdiplus::Ok || width == 0 || height == 0 ||
            width > kMaxPreviewSide || height > kMaxPreviewSide) {
            return nullptr;
        }
        std::unique_ptr<PanePicture> picture(new PanePicture(static_cast<int>(width), static_cast<int>(height)));

        // Locking decodes every row, so a truncated file fails here rather than
        // at paint time, and the copy frees the picture from the file's bytes.
        Gdiplus::BitmapData data = {};
        data.Width = width;
        data.Height = height;
        data.Stride = static_cast<INT>(width * 4);
        data.PixelFormat = PixelFormat32bppPARGB;
        data.Scan0 = picture->pixels_.data();
        const Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        if (gp::GdipBitmapLockBits(decoded.get(), &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                   PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
            return nullptr;
        }
        gp::GdipBitmapUnlockBits(decoded.get(), &data);

        Gdiplus::GpBitmap* own = nullptr;
        if (gp::GdipCreateBitmapFromScan0(data.Width, data.Height, data.Stride, PixelFormat32bppPARGB,
                                          picture->pixels_.data(), &own) != Gdiplus::Ok) {
            return nullptr;
        }
        picture->bitmap_ = own;
        return picture;
    } catch (...) {
        return nullptr;
    }
}

void PanePicture::DrawAtOrigin(HDC dc, int width, int height) const noexcept {
    Gdiplus::GpGraphics* raw_graphics = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw_graphics) != Gdiplus::Ok) return;
    const std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter> graphics(raw_graphics);
    Gdiplus::GpImageAttributes* raw_attributes = nullptr;
    if (gp::GdipCreateImageAttributes(&raw_attributes) != Gdiplus::Ok) return;
    const std::unique_ptr<Gdiplus::GpImageAttributes, AttributesDeleter> attributes(raw_attributes);

    // Without the mirrored wrap and the half-pixel offset, an enlarged picture
    // fades into the background along its right and bottom edges.
    gp::GdipSetImageAttributesWrapMode(attributes.get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
    gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
    gp::GdipDrawImageRectRectI(graphics.get(), bitmap_, 0, 0, width, height, 0, 0, width_, height_,
                               Gdiplus::UnitPixel, attributes.get(), nullptr, nullptr);
}

void PanePicture::Draw(HDC dc, const PaneBox& target) const noexcept {
    if (!bitmap_ || target.width <= 0 || target.height <= 0) return;
    // Scaled at the origin of a scratch surface, then copied into place: Wine's
    // GDI+ drops the first row and column of a picture scaled to an offset.
    UniqueMemoryDc scratch(CreateCompatibleDC(dc));
    UniqueGdiObject surface(CreateCompatibleBitmap(dc, target.width, target.height));
    if (!scratch || !surface) return;
    const ScopedSelection selection(scratch.get(), surface.get());
    // The background goes under the picture's transparent parts.
    BitBlt(scratch.get(), 0, 0, target.width, target.height, dc, target.left, target.top, SRCCOPY);
    DrawAtOrigin(scratch.get(), target.width, target.height);
    BitBlt(dc, target.left, target.top, target.width, target.height, scratch.get(), 0, 0, SRCCOPY);
}

}  // namespace tamsel
