// GDI+ running for the life of the object, for whoever owns its use from start
// to end: a program, a test suite, or a plugin between load and unload.
#pragma once

#include <windows.h>
#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

namespace tamsel {

class GdiplusScope {
public:
    GdiplusScope() noexcept {
        const Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    }
    ~GdiplusScope() {
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusScope(const GdiplusScope&) = delete;
    GdiplusScope& operator=(const GdiplusScope&) = delete;

    bool ok() const { return token_ != 0; }
    // Leaves GDI+ running, for the end of the process: it must not be shut
    // down under the loader lock, and the process takes it along.
    void abandon() { token_ = 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace tamsel
