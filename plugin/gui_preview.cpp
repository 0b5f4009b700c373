#include "gui_preview.h"

#include <vector>

#include "capture_rules.h"
#include "plugin.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tamsel {

std::unique_ptr<Tfrm_preview> frm_preview;

namespace {

// Set while the module is loaded and cleared at the first showing: the dialog
// takes its position and texts from the viewer once per process.
bool first_showing = true;

constexpr int kImageId = 100;
constexpr int kQuestionId = 101;
constexpr int kHeadingId = 102;

// The layout in pixels at 96 dpi, client coordinates.
constexpr SIZE kClientSize = {217, 267};
constexpr RECT kImageRect = {8, 29, 208, 179};  // Shape1 has the same bounds
constexpr RECT kQuestionRect = {11, 186, 208, 217};
constexpr POINT kHeadingOrigin = {11, 9};
constexpr int kHeadingHeight = 13;
constexpr RECT kYesRect = {32, 232, 107, 257};
constexpr RECT kNoRect = {113, 232, 188, 257};
constexpr int kFontHeight = 11;
constexpr int kOffsetFromView = 50;

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;

// The viewer's colours follow the form library's convention: an RGB value, or
// a system colour's index with the top bit set.
COLORREF ColorFromHost(std::uint32_t color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0x00FFFFFFu;
}

// An empty dialog template: the controls are made in pixels, not dialog units.
// Templates must start on a DWORD boundary.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD window_class = 0;
    wchar_t caption[7] = L"Tamsel";
};

// Disables the thread's other enabled, visible top-level windows while a modal
// dialog shows, and enables them again when it ends.
class ThreadWindowsDisabled {
public:
    explicit ThreadWindowsDisabled(HWND dialog) : dialog_(dialog) {
        EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(this));
    }
    ~ThreadWindowsDisabled() {
        for (HWND window : disabled_) {
            if (IsWindow(window)) EnableWindow(window, TRUE);
        }
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK DisableOne(HWND window, LPARAM self_pointer) {
        auto* self = reinterpret_cast<ThreadWindowsDisabled*>(self_pointer);
        if (window != self->dialog_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            try {
                self->disabled_.push_back(window);
            } catch (...) {
                return FALSE;
            }
            EnableWindow(window, FALSE);
        }
        return TRUE;
    }

    HWND dialog_;
    std::vector<HWND> disabled_;
};

HWND OwnerFor(HWND host_window) {
    // Owned by the viewer's top-level window, the dialog stays above it and is
    // what the viewer's taskbar button brings back.
    if (!host_window || !IsWindow(host_window)) return nullptr;
    HWND top = GetAncestor(host_window, GA_ROOT);
    if (GetWindowThreadProcessId(top, nullptr) != GetCurrentThreadId()) return nullptr;
    return top;
}

// Where a window goes when the viewer does not say where its view is: the
// middle of its owner, or of the work area when it has none.
POINT CenteredOrigin(HWND window) {
    RECT area = {};
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = {};
    GetWindowRect(window, &own);
    return {area.left + ((area.right - area.left) - (own.right - own.left)) / 2,
            area.top + ((area.bottom - area.top) - (own.bottom - own.top)) / 2};
}

}  // namespace

Tfrm_preview::Tfrm_preview(const Plugin& plugin)
    : plugin(plugin), plugin_id(plugin.id()), background_color(GetSysColor(COLOR_BTNFACE)) {
    CreateForm();
}

Tfrm_preview::~Tfrm_preview() {
    form.reset();  // while the font and brush that its controls use still exist
}

int Tfrm_preview::Scale(int pixels_at_96_dpi) const {
    return MulDiv(pixels_at_96_dpi, dpi, 96);
}

bool Tfrm_preview::CreateForm() {
    if (form) return true;
    EmptyDialogTemplate dialog_template = {};
    dialog_template.header.style = kFormStyle;
    dialog_template.header.dwExtendedStyle = kFormExStyle;
    // WM_INITDIALOG takes ownership of the window.
    return CreateDialogIndirectParamW(reinterpret_cast<HINSTANCE>(&__ImageBase), &dialog_template.header,
                                      OwnerFor(plugin.window()), &Tfrm_preview::DialogProc,
                                      reinterpret_cast<LPARAM>(this)) != nullptr &&
           form;
}

void Tfrm_preview::CreateControls() {
    HDC screen = GetDC(nullptr);
    if (screen) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    font.reset(CreateFontW(-Scale(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           L"Tahoma"));
    background_brush.reset(CreateSolidBrush(background_color));

    RECT frame = {0, 0, Scale(kClientSize.cx), Scale(kClientSize.cy)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    SetWindowPos(form.get(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const auto make = [this](const wchar_t* window_class, DWORD style, const RECT& rect, int id) {
        HWND control = CreateWindowExW(0, window_class, L"", WS_CHILD | WS_VISIBLE | style, Scale(rect.left),
                                       Scale(rect.top), Scale(rect.right - rect.left), Scale(rect.bottom - rect.top),
                                       form.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        return control;
    };
    // Creation order is tab order: Yes first, then No.
    btn_yes = make(L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, kYesRect, IDYES);
    btn_no = make(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kNoRect, IDNO);
    image = make(L"STATIC", SS_OWNERDRAW, kImageRect, kImageId);
    lbl_question = make(L"STATIC", SS_LEFT, kQuestionRect, kQuestionId);
    const RECT heading = {kHeadingOrigin.x, kHeadingOrigin.y, kHeadingOrigin.x, kHeadingOrigin.y + kHeadingHeight};
    lbl_preview = make(L"STATIC", SS_LEFT, heading, kHeadingId);
    SendMessageW(form.get(), DM_SETDEFID, IDYES, 0);
    ApplyCaptions();
}

void Tfrm_preview::ApplyCaptions() {
    SetWindowTextW(lbl_preview, captions.lbl_preview.c_str());
    SetWindowTextW(lbl_question, captions.lbl_question.c_str());
    SetWindowTextW(btn_yes, captions.btn_yes.c_str());
    SetWindowTextW(btn_no, captions.btn_no.c_str());

    // The heading is as wide as its text.
    SIZE text = {};
    if (HDC dc = GetDC(lbl_preview)) {
        {
            const ScopedSelection selection(dc, font.get());
            GetTextExtentPoint32W(dc, captions.lbl_preview.c_str(), static_cast<int>(captions.lbl_preview.size()),
                                  &text);
        }
        ReleaseDC(lbl_preview, dc);
    }
    SetWindowPos(lbl_preview, nullptr, 0, 0, text.cx, Scale(kHeadingHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Tfrm_preview::FormShow() {
    if (first_showing) {
        first_showing = false;
        std::int32_t view[4] = {};
        host::get_view_rect(plugin_id, view);
        const bool view_known = view[0] != 0 || view[1] != 0 || view[2] != 0 || view[3] != 0;
        const POINT origin = view_known ? POINT{view[0] + kOffsetFromView, view[1] + kOffsetFromView}
                                        : CenteredOrigin(form.get());
        SetWindowPos(form.get(), nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const auto text = [this](const char* key) {
            const wchar_t* value = plugin.get_text(key);
            return std::wstring(value ? value : L"");
        };
        captions.lbl_preview = text("lbl_preview");
        captions.lbl_question = text("lbl_question");
        captions.btn_yes = text("btn_yes");
        captions.btn_no = text("btn_no");
        ApplyCaptions();
    }

    // Without the function the stored colour stays: its zero would be black.
    if (HostFunctionAddress(HostSlot::get_gui_color)) {
        background_color = ColorFromHost(host::get_gui_color(plugin_id, 1));
        background_brush.reset(CreateSolidBrush(background_color));
        RedrawWindow(form.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }

    // An unreadable or refused file leaves the picture shown before.
    if (std::unique_ptr<StorePicture> loaded = LoadStorePicture(plugin.current_store_paths())) {
        picture = std::move(loaded);
        InvalidateRect(image, nullptr, TRUE);
    }
}

int Tfrm_preview::ShowModal() {
    if (showing || !CreateForm()) return IDCANCEL;
    showing = true;
    modal_result = 0;
    const HWND previously_active = GetActiveWindow();
    {
        ThreadWindowsDisabled others(form.get());
        try {
            FormShow();
        } catch (...) {
            // Out of memory for a caption: the dialog shows what it had.
        }
        ShowWindow(form.get(), SW_SHOW);
        SetForegroundWindow(form.get());
        // Yes takes the focus at every showing, once the window can hold it.
        SendMessageW(form.get(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(btn_yes), TRUE);

        MSG message;
        while (modal_result == 0 && form) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam));  // the viewer's own loop must see it
                modal_result = IDCANCEL;
            } else if (got == -1) {
                modal_result = IDCANCEL;
            } else if (!form || !IsDialogMessageW(form.get(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (modal_result == 0) modal_result = IDCANCEL;
        // The others come back before the dialog hides, so activation returns to the viewer.
    }
    if (form) {
        SetWindowPos(form.get(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (previously_active && IsWindow(previously_active)) SetActiveWindow(previously_active);
    showing = false;
    return modal_result;
}

INT_PTR CALLBACK Tfrm_preview::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        auto* self = reinterpret_cast<Tfrm_preview*>(lparam);
        self->form = UniqueWindow(window);
    }
    auto* self = reinterpret_cast<Tfrm_preview*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    try {
        return self->HandleMessage(message, wparam, lparam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Tfrm_preview::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        return FALSE;  // the focus is set at each showing
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDYES:
        case IDNO:
            if (HIWORD(wparam) == BN_CLICKED) modal_result = LOWORD(wparam);
            return TRUE;
        case IDCANCEL:  // Escape: no button cancels this dialog
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        modal_result = IDCANCEL;
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetBkColor(dc, background_color);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<INT_PTR>(background_brush.get());
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != kImageId) return FALSE;
        PaintImage(*item);
        return TRUE;
    }
    case WM_NCDESTROY:
        // Destroyed from outside (with its owner): the next showing makes a new one.
        SetWindowLongPtrW(form.get(), DWLP_USER, 0);
        form.release();
        image = btn_yes = btn_no = lbl_question = lbl_preview = nullptr;
        return FALSE;
    }
    return FALSE;
}

void Tfrm_preview::PaintImage(const DRAWITEMSTRUCT& item) const {
    const RECT& area = item.rcItem;
    FillRect(item.hDC, &area, static_cast<HBRUSH>(background_brush.get()));
    if (picture) {
        const PictureSize box = {area.right - area.left, area.bottom - area.top};
        const PictureSize shown = FitPicture({picture->width(), picture->height()}, box, kDialogFitRules);
        // The image control's own DC: its area starts at the origin.
        picture->DrawAtOrigin(item.hDC, shown.width, shown.height);
    }
    FrameRect(item.hDC, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace tamsel
