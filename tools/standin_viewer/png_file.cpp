#include "png_file.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <vector>

#include "gdi_raii.h"
#include "png_encoder.h"
#include "win32_raii.h"

namespace standin {
namespace {

constexpr std::uint32_t kMaxImageSide = 1024;

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

bool HasSmallPngHeader(const std::wstring& path) {
    tamsel::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    std::uint8_t header[24] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), header, sizeof(header), &read, nullptr) || read != sizeof(header))
        return false;
    static constexpr std::uint8_t kSignatureAndIhdr[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                                         0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::size_t i = 0; i < sizeof(kSignatureAndIhdr); ++i)
        if (header[i] != kSignatureAndIhdr[i]) return false;
    const std::uint32_t width = BigEndian32(header + 16);
    const std::uint32_t height = BigEndian32(header + 20);
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

}  // namespace

std::unique_ptr<Gdiplus::Bitmap> LoadSmallPng(const std::wstring& path) {
    if (path.empty() || !HasSmallPngHeader(path)) return nullptr;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(path.c_str());
    if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return bitmap;
}

bool SaveCanvasAsPng(const DibCanvas& canvas, const std::wstring& path) {
    CLSID encoder{};
    if (!canvas || !tamsel::FindPngEncoder(&encoder)) return false;
    // The canvas is bottom-up: start at its last row and step backwards.
    const INT stride = canvas.width() * 4;
    auto* top_row = const_cast<BYTE*>(canvas.bits()) + std::size_t(canvas.height() - 1) * stride;
    Gdiplus::Bitmap image(canvas.width(), canvas.height(), -stride, PixelFormat32bppRGB, top_row);
    return image.GetLastStatus() == Gdiplus::Ok && image.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

bool SaveWindowAsPng(HWND window, const std::wstring& path) {
    RECT rect{};
    if (!window || !GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    DibCanvas canvas(width, height);
    const HDC window_dc = GetWindowDC(window);
    const bool copied = canvas && window_dc &&
                        BitBlt(canvas.dc(), 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    if (window_dc) ReleaseDC(window, window_dc);
    GdiFlush();
    return copied && SaveCanvasAsPng(canvas, path);
}

}  // namespace standin
