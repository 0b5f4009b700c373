// GDI+ for the pane: started by the first form that needs it, kept running
// while forms live, shut down only when the server is about to be unloaded.
#pragma once

namespace tamsel {

class GdiplusUse {
public:
    // Starts GDI+ when it is not running. Never throws: without GDI+ the pane
    // simply has no stored picture.
    GdiplusUse() noexcept;
    ~GdiplusUse();
    GdiplusUse(const GdiplusUse&) = delete;
    GdiplusUse& operator=(const GdiplusUse&) = delete;

    bool ready() const { return ready_; }

private:
    bool ready_ = false;
};

// Shuts GDI+ down if it runs and no GdiplusUse lives. Returns false, doing
// nothing, while one lives.
bool ShutDownUnusedGdiplus() noexcept;

}  // namespace tamsel
