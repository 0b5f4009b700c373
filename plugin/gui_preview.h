// The replace-preview dialog: shows the stored preview and asks whether to
// replace it with the current view. It decides nothing; its caller acts on the
// answer.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <memory>
#include <string>

#include "win32_raii.h"
#include "host_api.h"
#include "store_picture.h"

namespace tamsel {

class Plugin;

class Tfrm_preview {
public:
    explicit Tfrm_preview(const Plugin& plugin);
    ~Tfrm_preview();
    Tfrm_preview(const Tfrm_preview&) = delete;
    Tfrm_preview& operator=(const Tfrm_preview&) = delete;

    // Shows the dialog until the user answers, with the viewer's other windows
    // disabled: IDYES, IDNO, or IDCANCEL when the window is closed.
    int ShowModal();
    // Ends a showing as if the window were closed, once the message being
    // handled returns to the dialog's loop.
    void EndModal() {
        if (showing) modal_result = IDCANCEL;
    }

private:
    struct Captions {
        std::wstring lbl_preview = L"Actual preview:";
        std::wstring lbl_question = L"Replace it with current view?";
        std::wstring btn_yes = L"btn_yes";
        std::wstring btn_no = L"btn_no";
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    bool CreateForm();
    void CreateControls();
    void ApplyCaptions();
    void FormShow();
    void PaintImage(const DRAWITEMSTRUCT& item) const;
    int Scale(int pixels_at_96_dpi) const;

    const Plugin& plugin;
    const PluginId plugin_id;

    UniqueWindow form;
    HWND image = nullptr;
    HWND btn_yes = nullptr;
    HWND btn_no = nullptr;
    HWND lbl_question = nullptr;
    HWND lbl_preview = nullptr;
    // Shape1, the black frame over the image area, is drawn with the image.

    UniqueGdiObject font;
    UniqueGdiObject background_brush;
    COLORREF background_color;
    std::unique_ptr<StorePicture> picture;
    Captions captions;
    int dpi = 96;
    int modal_result = 0;
    bool showing = false;
};

// The one dialog of the module: made at the first press that finds a preview,
// reused until the plugin unloads.
extern std::unique_ptr<Tfrm_preview> frm_preview;

}  // namespace tamsel
