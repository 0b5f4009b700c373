// The preview pane form: one borderless window that paints its controls
// Panel1, img_icon, lbl_title and img_preview itself, through one buffer.
#include "preview_form.h"

#include <memory>
#include <optional>
#include <stdexcept>

#include "module_file_path.h"
#include "win32_raii.h"
#include "gdiplus_session.h"
#include "pane_picture.h"
#include "pane_rules.h"
#include "picture_fit.h"
#include "preview_store.h"
#include "resource.h"
#include "shared_file.h"
#include "store_picture.h"

namespace tamsel {

namespace {

constexpr wchar_t kFormClass[] = L"Tfrm_preview";
constexpr int kDesignClientWidth = 366;
constexpr int kDesignClientHeight = 422;
constexpr int kFormFontHeight = 11;
constexpr int kTitleFontHeight = 13;
constexpr COLORREF kTitleColour = RGB(128, 128, 128);
// handler.dat holds two short lines; a file far larger is not one.
constexpr std::size_t kMaxTextsFileBytes = 1u << 20;

// Everything the window procedure needs to paint the form.
struct PaneView {
    std::wstring caption;  // lbl_title
    bool icon_visible = true;
    UniqueIcon icon;  // img_icon
    UniqueGdiObject form_font;
    UniqueGdiObject title_font;
    std::unique_ptr<StorePicture> picture;  // img_preview's own copy
    // Last, so that it is destroyed first, while the rest still serves its messages.
    UniqueWindow window;
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

RECT ToRect(const PaneBox& box, int origin_left, int origin_top) {
    const int left = origin_left + box.left;
    const int top = origin_top + box.top;
    return {left, top, left + box.width, top + box.height};
}

void PaintControls(const PaneView& view, HDC dc, int width, int height) {
    const RECT client = {0, 0, width, height};
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));

    const PaneLayout layout = LayOutPane(width, height, view.icon_visible);
    const PaneBox& panel = layout.Panel1;
    // Panel1 paints its own background rather than letting the form's show through.
    const RECT panel_rect = ToRect(panel, 0, 0);
    FillRect(dc, &panel_rect, GetSysColorBrush(COLOR_WINDOW));

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, panel_rect.left, panel_rect.top, panel_rect.right, panel_rect.bottom);
    if (view.icon_visible && view.icon) {
        DrawIconEx(dc, panel.left + layout.img_icon.left, panel.top + layout.img_icon.top, view.icon.get(), kIconSize,
                   kIconSize, 0, nullptr, DI_NORMAL);
    }
    RECT title = ToRect(layout.lbl_title, panel.left, panel.top);
    SelectObject(dc, view.title_font.get());
    SetTextColor(dc, kTitleColour);
    SetBkMode(dc, TRANSPARENT);
    // Without DT_NOPREFIX: "&" underlines the next character and "&&" shows one.
    DrawTextW(dc, view.caption.c_str(), static_cast<int>(view.caption.size()), &title,
              DT_LEFT | DT_TOP | DT_WORDBREAK);
    RestoreDC(dc, saved);

    if (view.picture) {
        const PaneBox& area = layout.img_preview;
        const PictureSize drawn =
            FitPicture({view.picture->width(), view.picture->height()}, {area.width, area.height}, kPaneFitRules);
        DrawPictureInBox(dc, *view.picture, {area.left, area.top, drawn.width, drawn.height});
    }
}

// The whole client area is painted into a bitmap and copied in one step, so
// the pane never shows a half-painted state.
void PaintBuffered(const PaneView& view, HWND hwnd, HDC target) {
    RECT client = {};
    GetClientRect(hwnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0) return;

    UniqueMemoryDc buffer(CreateCompatibleDC(target));
    UniqueGdiObject bitmap(CreateCompatibleBitmap(target, width, height));
    if (!buffer || !bitmap) {
        PaintControls(view, target, width, height);
        return;
    }
    const ScopedSelection selection(buffer.get(), bitmap.get());
    PaintControls(view, buffer.get(), width, height);
    BitBlt(target, 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<PaneView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!view) return DefWindowProcW(hwnd, message, wparam, lparam);

    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // painting covers the whole client area
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(hwnd, &paint);
        if (dc) PaintBuffered(*view, hwnd, dc);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintBuffered(*view, hwnd, reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(view->form_font.get());
    case WM_NCDESTROY:
        // Also reached when the host destroys its window, and ours with it.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        view->window.release();
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The module that holds FormProc: the class belongs to it, whichever module
// handle the form was given for its texts and icon.
HMODULE CodeModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&FormProc), &module);
    return module;
}

void CreateFormWindow(PaneView& view) {
    const HMODULE code_module = CodeModule();
    WNDCLASSEXW form_class = {};
    form_class.cbSize = sizeof form_class;
    form_class.style = CS_HREDRAW | CS_VREDRAW;  // the layout follows the size
    form_class.lpfnWndProc = FormProc;
    form_class.hInstance = code_module;
    form_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form_class.lpszClassName = kFormClass;
    if (!RegisterClassExW(&form_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the pane's window class cannot be registered");
    }
    // No border and no caption, so the window size is the client size.
    view.window.reset(CreateWindowExW(0, kFormClass, L"", WS_POPUP, 0, 0, kDesignClientWidth, kDesignClientHeight,
                                      nullptr, nullptr, code_module, &view));
    if (!view.window) throw std::runtime_error("the pane's window cannot be created");
}

UniqueGdiObject TahomaFont(int pixel_height) {
    UniqueGdiObject font(CreateFontW(-pixel_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    if (!font) throw std::runtime_error("the pane's font cannot be created");
    return font;
}

// The built-in texts, or the two lines of handler.dat beside the module.
PaneTexts ReadPaneTexts(HMODULE module) {
    PaneTexts texts{kBuiltInTitle, kBuiltInHint};
    try {
        const std::u16string folder = ModuleFolder(Utf16(ModuleFilePath(module)));
        if (folder.empty()) return texts;
        const auto bytes = ReadSharedFile(Wide(folder + kTextsFileName), kMaxTextsFileBytes);
        if (!bytes) return texts;
        if (auto from_file = ParseTextsFile(bytes->data(), bytes->size())) texts = std::move(*from_file);
    } catch (...) {
        // The texts file is optional: any failure leaves the built-in texts.
    }
    return texts;
}

}  // namespace

struct Tfrm_preview::State {
    PaneOutcome outcome = PaneOutcome::IconOnly;
    std::optional<GdiplusUse> gdiplus;  // before view: outlives the picture
    PaneView view;
};

Tfrm_preview::Tfrm_preview(IStream* stream, HINSTANCE module) : state_(nullptr) {
    auto state = std::make_unique<State>();
    // Taken before the window class is registered: while a form holds it, an
    // unload poll leaves the class and GDI+ alone.
    state->gdiplus.emplace();
    PaneView& view = state->view;
    view.form_font = TahomaFont(kFormFontHeight);
    view.title_font = TahomaFont(kTitleFontHeight);
    view.icon.reset(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(IDI_PANE_ICON), IMAGE_ICON, kIconSize, kIconSize, LR_DEFAULTCOLOR)));
    CreateFormWindow(view);

    const std::wstring key = ComputePreviewKey(stream);
    const PaneTexts texts = ReadPaneTexts(module);
    if (!key.empty()) {
        view.caption = Wide(texts.title);
        // No store folder gives no path, and no path gives no picture.
        if (state->gdiplus->ready()) view.picture = LoadStorePicture(GetStorePaths(key));
        if (view.picture) {
            state->outcome = PaneOutcome::StoredPicture;
            view.icon_visible = false;
        } else {
            state->outcome = PaneOutcome::Hint;
            view.caption = Wide(texts.hint);
        }
    }
    state_ = state.release();
}

Tfrm_preview::~Tfrm_preview() { delete state_; }

void Tfrm_preview::SetParentWindow(HWND parent) {
    const HWND hwnd = Handle();
    if (!hwnd) return;
    // The style changes before SetParent, as a window turned child expects.
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_POPUP | WS_CHILD);
    SetWindowLongPtrW(hwnd, GWL_STYLE, style | (parent ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP));
    SetParent(hwnd, parent);
}

void Tfrm_preview::SetBounds(int left, int top, int width, int height) {
    if (const HWND hwnd = Handle()) {
        SetWindowPos(hwnd, nullptr, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The controls follow the size by their alignment at every paint; the two
// handlers exist for the handler object to call and have nothing to add.
void Tfrm_preview::FormResize(void*) {}
void Tfrm_preview::FormPaint(void*) {}

void Tfrm_preview::Show() {
    if (const HWND hwnd = Handle()) ShowWindow(hwnd, SW_SHOW);
}

void Tfrm_preview::FocusWindow() {
    if (const HWND hwnd = Handle()) ::SetFocus(hwnd);
}

HWND Tfrm_preview::Handle() const { return state_->view.window.get(); }
PaneOutcome Tfrm_preview::Outcome() const { return state_->outcome; }
const std::wstring& Tfrm_preview::TitleCaption() const { return state_->view.caption; }

void ReleasePaneFormResources() noexcept {
    ShutDownUnusedGdiplus([] { UnregisterClassW(kFormClass, CodeModule()); });
}

}  // namespace tamsel
