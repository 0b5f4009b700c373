// The site that the preview host hands to a handler: a frame with no
// accelerators of its own, which is all a handler may ask it for.
#pragma once

#include <windows.h>
#include <shobjidl.h>

namespace tamsel {

class HostSite final : public IPreviewHandlerFrame {
public:
    HostSite() = default;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP GetWindowContext(PREVIEWHANDLERFRAMEINFO* info) override;
    IFACEMETHODIMP TranslateAccelerator(MSG* msg) override;

private:
    ~HostSite() = default;
    LONG references_ = 1;
};

}  // namespace tamsel
