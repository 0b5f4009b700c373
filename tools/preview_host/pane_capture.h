// Saving what a window shows, or a bitmap, as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// Repaints `window` with its children and writes its client area, child windows
// included, to `path` as a 24-bit PNG. Needs GDI+ running (GdiplusScope).
HRESULT SaveClientAreaAsPng(HWND window, const std::wstring& path) noexcept;

// Writes a 32-bit top-down DIB section to `path` as a 24-bit PNG (the fourth
// byte of each pixel is not read). Needs GDI+ running.
HRESULT SaveTopDownBitmapAsPng(HBITMAP bitmap, const std::wstring& path) noexcept;

}  // namespace tamsel
