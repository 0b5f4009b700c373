// The preview host's own top-level window, into which the handler draws.
#pragma once

#include <windows.h>

#include "win32_raii.h"

namespace tamsel {

class HostWindow {
public:
    HostWindow() = default;
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Creates the window, shown, with a client area of exactly width x height.
    HRESULT Open(int width, int height) noexcept;
    // Gives the client area a new size.
    HRESULT Resize(int width, int height) noexcept;

    HWND handle() const { return window_.get(); }
    RECT ClientRect() const;

private:
    UniqueGdiObject background_;
    ATOM window_class_ = 0;
    UniqueWindow window_;
};

// Dispatches this thread's messages until none has arrived for a short while.
void PumpMessagesUntilIdle() noexcept;

}  // namespace tamsel
