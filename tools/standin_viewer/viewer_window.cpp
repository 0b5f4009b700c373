#include "viewer_window.h"

#include <objidl.h>
#include <gdiplus.h>

#include <string>

#include "gdi_raii.h"
#include "host_state.h"
#include "png_file.h"
#include "scene.h"

namespace standin {
namespace {

constexpr wchar_t kMainClass[] = L"StandinViewerMain";
constexpr wchar_t kViewClass[] = L"StandinViewer3DView";
constexpr wchar_t kCaption[] = L"Stand-in viewer";
constexpr int kButtonGap = 8;
constexpr int kImageSide = 32;
constexpr POINT kWindowPosition = {24, 24};

bool RegisterClasses(HINSTANCE instance, WNDPROC main_proc, WNDPROC view_proc) {
    WNDCLASSEXW main_class{};
    main_class.cbSize = sizeof(main_class);
    main_class.lpfnWndProc = main_proc;
    main_class.hInstance = instance;
    main_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main_class.lpszClassName = kMainClass;
    WNDCLASSEXW view_class = main_class;
    view_class.lpfnWndProc = view_proc;
    view_class.hbrBackground = nullptr;
    view_class.lpszClassName = kViewClass;
    const auto registered = [](const WNDCLASSEXW& window_class) {
        return RegisterClassExW(&window_class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    };
    return registered(main_class) && registered(view_class);
}

void PaintView(HWND view, HDC dc) {
    RECT client{};
    GetClientRect(view, &client);
    const std::wstring* model = Host().model_path ? &*Host().model_path : nullptr;
    PaintScene(dc, client.right, client.bottom, SceneLabel(model));
}

void FillRectWith(HDC dc, const RECT& rect, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

struct ViewerWindow::LoadedImage {
    std::wstring path;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
};

ViewerWindow::ViewerWindow() = default;

ViewerWindow::~ViewerWindow() {
    main_.reset();  // the controls go with it, before the images they show
}

bool ViewerWindow::Create(int view_width, int view_height) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterClasses(instance, MainProc, ViewProc)) return false;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame = {0, 0, view_width, kButtonRowHeight + view_height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    main_.reset(CreateWindowExW(0, kMainClass, kCaption, style, kWindowPosition.x, kWindowPosition.y,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                instance, this));
    if (!main_) return false;
    view_ = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE, 0, kButtonRowHeight, view_width,
                            view_height, main_.get(), nullptr, instance, nullptr);
    caption_font_.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                    L"Tahoma"));
    if (!view_) return false;
    ShowWindow(main_.get(), SW_SHOWNORMAL);
    UpdateWindow(main_.get());
    return true;
}

HWND ViewerWindow::ButtonControl(std::int32_t id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void ViewerWindow::AddButton(std::int32_t id) {
    const int index = static_cast<int>(controls_.size());
    const HWND control = CreateWindowExW(
        0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_OWNERDRAW,
        kButtonGap + index * (kButtonSide + kButtonGap), (kButtonRowHeight - kButtonSide) / 2, kButtonSide,
        kButtonSide, main_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
        nullptr);
    if (control) controls_[id] = control;
    RefreshButton(id);
}

void ViewerWindow::RefreshButton(std::int32_t id) {
    const HWND control = ButtonControl(id);
    const PluginButton* button = Host().FindButton(id);
    if (!control || !button) return;
    SetWindowTextW(control, button->caption.c_str());
    EnableWindow(control, button->enabled);
    InvalidateRect(control, nullptr, TRUE);
}

void ViewerWindow::RemoveButtons() {
    for (const auto& [id, control] : controls_) DestroyWindow(control);
    controls_.clear();
    images_.clear();
    if (main_) InvalidateRect(main_.get(), nullptr, TRUE);
}

void ViewerWindow::Redraw() {
    if (main_)
        RedrawWindow(main_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

Gdiplus::Bitmap* ViewerWindow::ButtonImage(std::int32_t id) {
    const PluginButton* button = Host().FindButton(id);
    if (!button) return nullptr;
    std::unique_ptr<LoadedImage>& image = images_[id];
    if (!image || image->path != button->image_path) {
        image = std::make_unique<LoadedImage>();
        image->path = button->image_path;
        image->bitmap = LoadSmallPng(button->image_path);
    }
    return image->bitmap.get();
}

void ViewerWindow::PaintButtonRow(HDC dc) {
    RECT client{};
    GetClientRect(main_.get(), &client);
    FillRectWith(dc, {0, 0, client.right, kButtonRowHeight}, Host().panel_color);
}

void ViewerWindow::DrawButton(const DRAWITEMSTRUCT& item) {
    const PluginButton* button = Host().FindButton(static_cast<std::int32_t>(item.CtlID));
    const HDC dc = item.hDC;
    const RECT& rect = item.rcItem;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;

    FillRectWith(dc, rect, Host().panel_color);
    RECT edge = rect;
    DrawEdge(dc, &edge, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (!button) return;

    if (Gdiplus::Bitmap* image = ButtonImage(button->id)) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        // Disabled: grey, half transparent.
        Gdiplus::ColorMatrix grey = {{{0.3f, 0.3f, 0.3f, 0, 0},
                                      {0.59f, 0.59f, 0.59f, 0, 0},
                                      {0.11f, 0.11f, 0.11f, 0, 0},
                                      {0, 0, 0, 0.5f, 0},
                                      {0, 0, 0, 0, 1}}};
        Gdiplus::ImageAttributes attributes;
        if (disabled) attributes.SetColorMatrix(&grey);
        const int left = rect.left + (rect.right - rect.left - kImageSide) / 2 + (pushed ? 1 : 0);
        const int top = rect.top + 8 + (pushed ? 1 : 0);
        graphics.DrawImage(image, Gdiplus::Rect(left, top, kImageSide, kImageSide), 0,
                           0, image->GetWidth(), image->GetHeight(), Gdiplus::UnitPixel, &attributes);
    }

    const tamsel::ScopedSelection font(dc, caption_font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT caption = {rect.left + 3, rect.top + 8 + kImageSide + 4, rect.right - 3, rect.bottom - 3};
    DrawTextW(dc, button->caption.c_str(), -1, &caption, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT ViewerWindow::HandleMain(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(main_.get(), &paint);
        PaintButtonRow(dc);
        EndPaint(main_.get(), &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintButtonRow(reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED && lparam != 0) {
            Host().Click(static_cast<std::int32_t>(LOWORD(wparam)));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(main_.get(), message, wparam, lparam);
}

LRESULT CALLBACK ViewerWindow::MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ViewerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Until CreateWindowEx returns, main_ is not set yet; after WM_NCDESTROY it is gone.
    if (!self || self->main_.get() != window) return DefWindowProcW(window, message, wparam, lparam);
    try {
        return self->HandleMain(message, wparam, lparam);
    } catch (...) {
        return 0;
    }
}

LRESULT CALLBACK ViewerWindow::ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        PaintView(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintView(window, reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace standin
