// The window that the preview handler puts into the Explorer preview pane.
// Everything it shows is decided once, while it is built.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

namespace tamsel {

enum class PaneOutcome {
    StoredPicture,  // title over the stored picture
    Hint,           // icon and the hint: a key, but no loadable picture
    IconOnly,       // icon alone: no key
};

class Tfrm_preview {
public:
    // Hashes `stream` (borrowed, not kept), reads handler.dat beside `module`,
    // looks the picture up and creates the window, hidden and without parent.
    // Throws (std::bad_alloc, std::runtime_error) when the form cannot be built.
    Tfrm_preview(IStream* stream, HINSTANCE module);
    ~Tfrm_preview();
    Tfrm_preview(const Tfrm_preview&) = delete;
    Tfrm_preview& operator=(const Tfrm_preview&) = delete;

    void SetParentWindow(HWND parent);
    void SetBounds(int left, int top, int width, int height);
    void FormResize(void* sender);
    void FormPaint(void* sender);
    void Show();
    void FocusWindow();

    HWND Handle() const;
    PaneOutcome Outcome() const;
    const std::wstring& TitleCaption() const;

private:
    struct State;
    State* state_;
};

// Unregisters the window classes and shuts GDI+ down once no form lives; the
// server calls it when it is about to be unloaded. The next form starts them again.
void ReleasePaneFormResources() noexcept;

}  // namespace tamsel
