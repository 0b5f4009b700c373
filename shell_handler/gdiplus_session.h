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

// Unless a GdiplusUse lives, shuts GDI+ down if it runs and then calls
// `release_with_it` before any new GdiplusUse can begin: what the users of
// GDI+ set up alongside it goes at the same moment, never while one of them is
// being built.
void ShutDownUnusedGdiplus(void (*release_with_it)()) noexcept;

}  // namespace tamsel
