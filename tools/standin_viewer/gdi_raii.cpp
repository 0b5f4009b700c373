#include "gdi_raii.h"

namespace standin {

DibCanvas::DibCanvas(int width, int height)
    : dc_(CreateCompatibleDC(nullptr)), width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc_ || !bitmap_) return;
    old_bitmap_ = SelectObject(dc_.get(), bitmap_.get());
    bits_ = bits;
}

DibCanvas::~DibCanvas() {
    if (old_bitmap_) SelectObject(dc_.get(), old_bitmap_);
}

}  // namespace standin
