#include "pane_capture.h"

#include <objidl.h>

#include <algorithm>
#include <vector>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "png_encoder.h"
#include "win32_raii.h"

namespace tamsel {
namespace {

class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { if (dc_) ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

HRESULT SavePixelsAsPng(void* bits, int width, int height, int stride, const std::wstring& path) {
    CLSID encoder;
    if (!FindPngEncoder(&encoder)) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    // 32bppRGB ignores the unused fourth byte that BitBlt leaves at 0.
    Gdiplus::Bitmap picture(width, height, stride, PixelFormat32bppRGB, static_cast<BYTE*>(bits));
    if (picture.GetLastStatus() != Gdiplus::Ok) return E_FAIL;
    return picture.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok ? S_OK : E_FAIL;
}

}  // namespace

HRESULT SaveTopDownBitmapAsPng(HBITMAP bitmap, const std::wstring& path) noexcept {
    try {
        DIBSECTION section = {};
        if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || section.dsBm.bmBitsPixel != 32 ||
            !section.dsBm.bmBits) {
            return E_INVALIDARG;
        }
        GdiFlush();
        return SavePixelsAsPng(section.dsBm.bmBits, section.dsBm.bmWidth, section.dsBm.bmHeight,
                               section.dsBm.bmWidthBytes, path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SaveClientAreaAsPng(HWND window, const std::wstring& path) noexcept {
    try {
        RECT client = {};
        if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return E_INVALIDARG;
        const int width = client.right, height = client.bottom;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);

        WindowDc source(window);
        UniqueMemoryDc target(CreateCompatibleDC(source.get()));
        if (!source.get() || !target) return E_FAIL;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        UniqueGdiObject bitmap(CreateDIBSection(source.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) return E_OUTOFMEMORY;
        {
            const ScopedSelection selection(target.get(), bitmap.get());
            if (!BitBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) return E_FAIL;
        }
        GdiFlush();
        return SavePixelsAsPng(bits, width, height, width * 4, path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace tamsel
