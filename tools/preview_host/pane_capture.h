// Saving what a window shows as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// Starts GDI+ for the lifetime of the object.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// Repaints `window` with its children and writes its client area, child windows
// included, to `path` as a 24-bit PNG. Needs a live GdiplusSession.
HRESULT SaveClientAreaAsPng(HWND window, const std::wstring& path) noexcept;

}  // namespace tamsel
