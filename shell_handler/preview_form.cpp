// Minimal form: computes the key and decides the outcome; drawing comes next.
#include "preview_form.h"

#include <stdexcept>

#include "preview_store.h"

namespace tamsel {

namespace {
constexpr wchar_t kFormClass[] = L"Tfrm_preview";
HINSTANCE g_class_module = nullptr;

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }

void EnsureFormClass(HINSTANCE module) {
    if (g_class_module) return;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = module;
    wc.lpszClassName = kFormClass;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    if (!RegisterClassW(&wc)) throw std::runtime_error("RegisterClassW");
    g_class_module = module;
}
}  // namespace

struct Tfrm_preview::State {
    HWND hwnd = nullptr;
    PaneOutcome outcome = PaneOutcome::IconOnly;
    std::wstring title;
};

Tfrm_preview::Tfrm_preview(IStream* stream, HINSTANCE module) : state_(new State) {
    try {
        const std::wstring key = ComputePreviewKey(stream);
        if (!key.empty()) {
            state_->outcome = PaneOutcome::Hint;
            state_->title = L"To generate preview please open this file in Kelvarrion first.";
        }
        EnsureFormClass(module);
        state_->hwnd = CreateWindowExW(0, kFormClass, L"", WS_POPUP, 0, 0, 366, 422, nullptr, nullptr, module,
                                       nullptr);
        if (!state_->hwnd) throw std::runtime_error("CreateWindowExW");
    } catch (...) {
        delete state_;
        throw;
    }
}

Tfrm_preview::~Tfrm_preview() {
    if (state_->hwnd) DestroyWindow(state_->hwnd);
    delete state_;
}

void Tfrm_preview::SetParentWindow(HWND parent) {
    SetWindowLongPtrW(state_->hwnd, GWL_STYLE, WS_CHILD | WS_CLIPCHILDREN);
    SetParent(state_->hwnd, parent);
}
void Tfrm_preview::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(state_->hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
void Tfrm_preview::FormResize(void*) {}
void Tfrm_preview::FormPaint(void*) {}
void Tfrm_preview::Show() { ShowWindow(state_->hwnd, SW_SHOW); }
void Tfrm_preview::FocusWindow() { ::SetFocus(state_->hwnd); }
HWND Tfrm_preview::Handle() const { return state_->hwnd; }
PaneOutcome Tfrm_preview::Outcome() const { return state_->outcome; }
const std::wstring& Tfrm_preview::TitleCaption() const { return state_->title; }

void ReleasePaneFormResources() noexcept {
    if (g_class_module) {
        UnregisterClassW(kFormClass, g_class_module);
        g_class_module = nullptr;
    }
}

}  // namespace tamsel
