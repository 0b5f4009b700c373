// What tests do with windows: a host window to parent panes in, the message
// pump run between steps, and the pixels a window paints into a surface of
// the test's own.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tamsel_test {

inline void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A visible top-level window to parent panes in, as the preview host has one.
// Topmost ones show on the screen whatever else the display holds.
class HostWindow {
public:
    explicit HostWindow(RECT place = {0, 0, 800, 450}, bool topmost = false) {
        // Registered once: tests make host windows on several threads at once,
        // and Wine's class registration does not bear racing.
        static const ATOM host_class = [] {
            WNDCLASSW host_class = {};
            host_class.lpfnWndProc = DefWindowProcW;
            host_class.hInstance = GetModuleHandleW(nullptr);
            host_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            host_class.lpszClassName = L"TestHost";
            return RegisterClassW(&host_class);
        }();
        hwnd_ = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, MAKEINTATOM(host_class), L"host",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        if (!hwnd_) throw std::runtime_error("cannot create the host window");
        PumpMessages();
    }
    ~HostWindow() { DestroyWindow(hwnd_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND handle() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// A 32-bit top-down bitmap selected into a memory DC. It starts magenta, which
// shows wherever a window painted nothing.
class PixelSurface {
public:
    PixelSurface(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!dc_ || !bitmap_) {
            Release();
            throw std::runtime_error("cannot make a bitmap to capture into");
        }
        bits_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        std::fill(bits_, bits_ + Count(), 0xFF00FFu);
    }
    ~PixelSurface() { Release(); }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    HDC dc() const { return dc_; }

    // 0x00RRGGBB, row by row from the top.
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        std::vector<std::uint32_t> pixels(bits_, bits_ + Count());
        for (std::uint32_t& p : pixels) p &= 0xFFFFFFu;
        return pixels;
    }

private:
    std::size_t Count() const { return static_cast<std::size_t>(width_) * height_; }
    void Release() {
        if (previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }

    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// The client area of `window` as it paints itself when asked to print it.
inline std::vector<std::uint32_t> PrintClientPixels(HWND window, int width, int height) {
    PixelSurface surface(width, height);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()), PRF_CLIENT);
    return surface.Pixels();
}

}  // namespace tamsel_test
