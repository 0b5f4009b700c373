#include "tamsel_handler.h"

#include <shlwapi.h>

#include "com_result.h"
#include "module.h"

namespace tamsel {

TamselHandler::~TamselHandler() {
    form_.reset();  // first: the form reads the stream
    site_.reset();
    stream_.reset();
}

IFACEMETHODIMP TamselHandler::QueryInterface(REFIID riid, void** ppv) {
    // The first row also answers IUnknown, so every IUnknown is the same pointer.
    static const QITAB kInterfaces[] = {
        QITABENT(TamselHandler, IPreviewHandler),
        QITABENT(TamselHandler, IInitializeWithStream),
        QITABENT(TamselHandler, IPreviewHandlerVisuals),
        QITABENT(TamselHandler, IOleWindow),
        QITABENT(TamselHandler, IObjectWithSite),
        {},
    };
    return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP TamselHandler::Initialize(IStream* stream, DWORD) {
    if (!stream) return E_INVALIDARG;
    stream_.copy_from(stream);
    return S_OK;
}

IFACEMETHODIMP TamselHandler::SetWindow(HWND parent, const RECT* rect) {
    if (!parent || !rect) return S_OK;
    parent_ = parent;
    rect_ = *rect;
    if (!form_) return S_OK;
    try {
        form_->SetParentWindow(parent_);
        ApplyRectToForm();
        return S_OK;
    } catch (...) {
        return ResultOfCaughtException();
    }
}

IFACEMETHODIMP TamselHandler::SetRect(const RECT* rect) {
    if (!rect) return E_INVALIDARG;
    rect_ = *rect;
    if (!form_) return S_OK;
    try {
        ApplyRectToForm();
        return S_OK;
    } catch (...) {
        return ResultOfCaughtException();
    }
}

IFACEMETHODIMP TamselHandler::DoPreview() {
    if (form_ || !stream_) return E_FAIL;
    try {
        // Stored at once so that every later step works on the object's own form.
        form_ = std::make_unique<Tfrm_preview>(stream_.get(), ModuleHandle());
        form_->SetParentWindow(parent_);
        ApplyRectToForm();
        form_->Show();
        return S_OK;
    } catch (...) {
        // A form that could not be built or shown is not kept half-way.
        form_.reset();
        return ResultOfCaughtException();
    }
}

IFACEMETHODIMP TamselHandler::Unload() {
    stream_.reset();
    form_.reset();
    return S_OK;
}

IFACEMETHODIMP TamselHandler::SetFocus() {
    if (!form_) return S_FALSE;
    try {
        form_->FocusWindow();
        return S_OK;
    } catch (...) {
        return ResultOfCaughtException();
    }
}

IFACEMETHODIMP TamselHandler::QueryFocus(HWND* focus) {
    if (!focus) return E_INVALIDARG;
    *focus = ::GetFocus();
    if (*focus) return S_OK;
    return HRESULT_FROM_WIN32(GetLastError());
}

IFACEMETHODIMP TamselHandler::TranslateAccelerator(MSG* msg) {
    if (!site_) return S_FALSE;
    // Asked for anew each time: the frame may change while the site stays.
    ComPtr<IPreviewHandlerFrame> frame;
    if (FAILED(site_->QueryInterface(IID_IPreviewHandlerFrame, frame.put_void()))) return S_FALSE;
    return frame->TranslateAccelerator(msg);
}

IFACEMETHODIMP TamselHandler::SetBackgroundColor(COLORREF) { return E_FAIL; }
IFACEMETHODIMP TamselHandler::SetFont(const LOGFONTW*) { return E_FAIL; }
IFACEMETHODIMP TamselHandler::SetTextColor(COLORREF) { return E_FAIL; }

IFACEMETHODIMP TamselHandler::GetWindow(HWND* window) {
    if (!window) return E_INVALIDARG;
    *window = parent_;
    return S_OK;
}

IFACEMETHODIMP TamselHandler::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

IFACEMETHODIMP TamselHandler::SetSite(IUnknown* site) {
    site_.reset();
    if (!site) return S_OK;
    // Kept only on success, whatever a failing site leaves in the out-pointer.
    IUnknown* unknown = nullptr;
    const HRESULT hr = site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (SUCCEEDED(hr)) site_.attach(unknown);
    return hr;
}

IFACEMETHODIMP TamselHandler::GetSite(REFIID riid, void** ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!site_) return E_FAIL;
    return site_->QueryInterface(riid, ppv);
}

void TamselHandler::ApplyRectToForm() {
    form_->SetBounds(rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top);
    form_->FormResize(form_.get());
}

}  // namespace tamsel
