// Saving what a window shows as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// Repaints `window` with its children and writes its client area, child windows
// included, to `path` as a 24-bit PNG. Needs GDI+ running (GdiplusScope).
HRESULT SaveClientAreaAsPng(HWND window, const std::wstring& path) noexcept;

}  // namespace tamsel
