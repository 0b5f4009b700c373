#include "host_window.h"

namespace tamsel {
namespace {

constexpr wchar_t kClassName[] = L"TamselPreviewHost";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
// Magenta, so that any part of the client that the handler leaves uncovered
// stands out in a capture.
constexpr COLORREF kUncoveredColour = RGB(255, 0, 255);

HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT CheckClientSize(HWND window, int width, int height) {
    RECT client = {};
    GetClientRect(window, &client);
    return client.right == width && client.bottom == height ? S_OK : E_UNEXPECTED;
}

}  // namespace

HostWindow::~HostWindow() {
    window_.reset();
    if (window_class_) UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

HRESULT HostWindow::Open(int width, int height) noexcept {
    background_.reset(CreateSolidBrush(kUncoveredColour));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(background_.get());
    wc.lpszClassName = kClassName;
    window_class_ = RegisterClassExW(&wc);
    if (!window_class_) return LastErrorResult();

    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    window_.reset(CreateWindowExW(kExStyle, kClassName, L"Preview host", kStyle,
                                  // the client area starts at the screen's corner
                                  frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, wc.hInstance, nullptr));
    if (!window_) return LastErrorResult();
    ShowWindow(window_.get(), SW_SHOWNORMAL);
    UpdateWindow(window_.get());
    return CheckClientSize(window_.get(), width, height);
}

HRESULT HostWindow::Resize(int width, int height) noexcept {
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    if (!SetWindowPos(window_.get(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        return LastErrorResult();
    }
    return CheckClientSize(window_.get(), width, height);
}

RECT HostWindow::ClientRect() const {
    RECT client = {};
    GetClientRect(window_.get(), &client);
    return client;
}

void PumpMessagesUntilIdle() noexcept {
    constexpr DWORD kQuietMs = 150;
    constexpr DWORD kLimitMs = 5000;  // a handler that keeps posting must not hang the host
    const DWORD start = GetTickCount();
    DWORD last_message = start;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            last_message = GetTickCount();
        }
        const DWORD now = GetTickCount();
        if (now - last_message >= kQuietMs || now - start >= kLimitMs) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

}  // namespace tamsel
