#include "thumbnail_provider.h"

#include <shlwapi.h>

#include <memory>

#include "com_result.h"
#include "gdiplus_session.h"
#include "png_header.h"
#include "preview_store.h"
#include "store_picture.h"
#include "thumbnail_rules.h"

namespace tamsel {

namespace {

// A 32-bit top-down DIB section of width x height, its bits in `bits`.
UniqueGdiObject CreateTopDownDib(int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: the first row in memory is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return UniqueGdiObject(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

// The picture scaled into a new DIB section of `size`, or null.
UniqueGdiObject RenderThumbnail(const StorePicture& picture, const PictureSize& size) {
    void* bits = nullptr;
    UniqueGdiObject dib = CreateTopDownDib(size.width, size.height, &bits);
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dib || !bits || !dc) return {};
    {
        const ScopedSelection selection(dc.get(), dib.get());
        // White under any transparent part: the thumbnail is opaque.
        const RECT all = {0, 0, size.width, size.height};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (!picture.DrawAtOrigin(dc.get(), size.width, size.height)) return {};
        GdiFlush();  // the bits are read directly once the DIB leaves this step
    }
    return dib;
}

}  // namespace

IFACEMETHODIMP TamselThumbnailProvider::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB kInterfaces[] = {
        QITABENT(TamselThumbnailProvider, IInitializeWithStream),
        QITABENT(TamselThumbnailProvider, IThumbnailProvider),
        {},
    };
    return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP TamselThumbnailProvider::Initialize(IStream* stream, DWORD) {
    if (!stream) return E_INVALIDARG;
    if (initialized()) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    stream_.copy_from(stream);
    return S_OK;
}

IFACEMETHODIMP TamselThumbnailProvider::GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
    if (bitmap) *bitmap = nullptr;
    if (alpha) *alpha = WTSAT_UNKNOWN;
    if (!bitmap || !alpha) return E_POINTER;
    if (cx == 0) return E_INVALIDARG;
    if (!initialized()) return E_UNEXPECTED;
    try {
        const std::wstring& key = Key();
        if (key.empty()) return E_FAIL;
        const GdiplusUse gdiplus;
        if (!gdiplus.ready()) return E_FAIL;
        const std::unique_ptr<StorePicture> picture = LoadStorePicture(GetStorePaths(key));
        if (!picture) return E_FAIL;
        // No stored picture is larger, so a larger side changes nothing.
        const int side = cx > kMaxPreviewSide ? static_cast<int>(kMaxPreviewSide) : static_cast<int>(cx);
        const PictureSize size = FitThumbnail(picture->width(), picture->height(), side);
        UniqueGdiObject dib = RenderThumbnail(*picture, size);
        if (!dib) return E_FAIL;
        *bitmap = static_cast<HBITMAP>(dib.release());
        *alpha = WTSAT_RGB;  // previews are opaque
        return S_OK;
    } catch (...) {
        return ResultOfCaughtException();
    }
}

const std::wstring& TamselThumbnailProvider::Key() {
    if (!key_) {
        key_ = ComputePreviewKey(stream_.get());
        stream_.reset();
    }
    return *key_;
}

}  // namespace tamsel
