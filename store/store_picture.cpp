#include "store_picture.h"

#include <shlwapi.h>
#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include "bounded_work.h"
#include "win32_raii.h"
#include "png_header.h"
#include "shared_file.h"

namespace tamsel {

namespace gp = Gdiplus::DllExports;

namespace {

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
    stream.attach(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    if (!stream) return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream.get(), &decoded) != Gdiplus::Ok) return nullptr;
    return UniqueGpBitmap(decoded);
}

}  // namespace

StorePicture::StorePicture(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 4) {}

StorePicture::~StorePicture() {
    if (bitmap_) gp::GdipDisposeImage(bitmap_);
}

std::unique_ptr<StorePicture> StorePicture::Load(const std::wstring& path) noexcept {
    try {
        if (path.empty()) return nullptr;
        const auto bytes = ReadSharedFile(path, kMaxStoredPictureBytes);
        return bytes ? Decode(*bytes) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<StorePicture> StorePicture::Decode(const std::vector<std::uint8_t>& bytes) noexcept {
    try {
        // A header claiming a giant picture must never reach the decoder.
        if (bytes.size() > kMaxStoredPictureBytes || !IsLoadablePngHeader(bytes.data(), bytes.size())) return nullptr;
        const UniqueGpBitmap decoded = DecodePng(bytes);
        if (!decoded) return nullptr;

        UINT width = 0, height = 0;
        if (gp::GdipGetImageWidth(decoded.get(), &width) != Gdiplus::Ok ||
            gp::GdipGetImageHeight(decoded.get(), &height) != Gdiplus::Ok || width == 0 || height == 0 ||
            width > kMaxPreviewSide || height > kMaxPreviewSide) {
            return nullptr;
        }
        std::unique_ptr<StorePicture> picture(new StorePicture(static_cast<int>(width), static_cast<int>(height)));

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

bool StorePicture::DrawAtOrigin(HDC dc, int width, int height) const noexcept {
    Gdiplus::GpGraphics* raw_graphics = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw_graphics) != Gdiplus::Ok) return false;
    const std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter> graphics(raw_graphics);
    Gdiplus::GpImageAttributes* raw_attributes = nullptr;
    if (gp::GdipCreateImageAttributes(&raw_attributes) != Gdiplus::Ok) return false;
    const std::unique_ptr<Gdiplus::GpImageAttributes, AttributesDeleter> attributes(raw_attributes);

    // Without the mirrored wrap and the half-pixel offset, a scaled picture
    // fades into the background along its right and bottom edges.
    gp::GdipSetImageAttributesWrapMode(attributes.get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
    gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
    return gp::GdipDrawImageRectRectI(graphics.get(), bitmap_, 0, 0, width, height, 0, 0, width_, height_,
                                      Gdiplus::UnitPixel, attributes.get(), nullptr, nullptr) == Gdiplus::Ok;
}

std::unique_ptr<StorePicture> LoadStorePicture(const StorePaths& paths) noexcept {
    if (std::unique_ptr<StorePicture> local = StorePicture::Load(paths.local)) return local;
    if (paths.team.empty()) return nullptr;
    try {
        // Only the reading waits on the share; decoding is done here.
        const auto read = CallBounded(
            [path = paths.team]() noexcept -> std::optional<std::vector<std::uint8_t>> {
                try {
                    return ReadSharedFile(path, kMaxStoredPictureBytes);
                } catch (...) {
                    return std::nullopt;
                }
            },
            kTeamStoreWaitMs);
        if (!read || !*read) return nullptr;
        return StorePicture::Decode(**read);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace tamsel
