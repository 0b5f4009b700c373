// The preview handler object that the shell's preview host drives for one
// .ifc file at a time: it builds the pane form from the file's stream and
// keeps it placed inside the host's window.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <propsys.h>
#include <shobjidl.h>

#include <memory>

#include "server_object.h"
#include "preview_form.h"
#include "win32_raii.h"

namespace tamsel {

class TamselHandler final : public ServerObject<IInitializeWithStream, IPreviewHandler, IPreviewHandlerVisuals,
                                             IOleWindow, IObjectWithSite> {
public:
    TamselHandler() = default;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    // IInitializeWithStream
    IFACEMETHODIMP Initialize(IStream* stream, DWORD mode) override;

    // IPreviewHandler
    IFACEMETHODIMP SetWindow(HWND parent, const RECT* rect) override;
    IFACEMETHODIMP SetRect(const RECT* rect) override;
    IFACEMETHODIMP DoPreview() override;
    IFACEMETHODIMP Unload() override;
    IFACEMETHODIMP SetFocus() override;
    IFACEMETHODIMP QueryFocus(HWND* focus) override;
    IFACEMETHODIMP TranslateAccelerator(MSG* msg) override;

    // IPreviewHandlerVisuals: the pane keeps its own look.
    IFACEMETHODIMP SetBackgroundColor(COLORREF color) override;
    IFACEMETHODIMP SetFont(const LOGFONTW* font) override;
    IFACEMETHODIMP SetTextColor(COLORREF color) override;

    // IOleWindow
    IFACEMETHODIMP GetWindow(HWND* window) override;
    IFACEMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IObjectWithSite
    IFACEMETHODIMP SetSite(IUnknown* site) override;
    IFACEMETHODIMP GetSite(REFIID riid, void** ppv) override;

private:
    ~TamselHandler() override;
    void ApplyRectToForm();

    ComPtr<IStream> stream_;
    HWND parent_ = nullptr;
    RECT rect_ = {};
    std::unique_ptr<Tfrm_preview> form_;
    ComPtr<IUnknown> site_;
};

}  // namespace tamsel
