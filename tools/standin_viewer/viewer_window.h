// The stand-in's main window: a row of the plugin's buttons above the 3D view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>

#include "win32_raii.h"

namespace Gdiplus {
class Bitmap;
}

namespace standin {

inline constexpr int kButtonRowHeight = 88;
inline constexpr int kButtonSide = 80;

class ViewerWindow {
public:
    ViewerWindow();
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    // Creates and shows the window with a 3D view of the given client size.
    bool Create(int view_width, int view_height);

    HWND main() const { return main_.get(); }
    HWND view() const { return view_; }
    // The BUTTON control of the plugin's button, or null.
    HWND ButtonControl(std::int32_t id) const;

    // Controls for the host state's buttons: made, redrawn from it, removed.
    void AddButton(std::int32_t id);
    void RefreshButton(std::int32_t id);
    void RemoveButtons();
    // Paints everything again, now: after a model or colour change.
    void Redraw();

private:
    static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT HandleMain(UINT message, WPARAM wparam, LPARAM lparam);
    void PaintButtonRow(HDC dc);
    void DrawButton(const DRAWITEMSTRUCT& item);
    Gdiplus::Bitmap* ButtonImage(std::int32_t id);

    tamsel::UniqueWindow main_;
    HWND view_ = nullptr;
    std::map<std::int32_t, HWND> controls_;
    struct LoadedImage;
    std::map<std::int32_t, std::unique_ptr<LoadedImage>> images_;
    tamsel::UniqueGdiObject caption_font_;
};

}  // namespace standin
