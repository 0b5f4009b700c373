// The site that the preview host hands to a handler: a frame with no
// accelerators of its own, which is all a handler may ask it for.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "com_object.h"

namespace tamsel {

class HostSite final : public ComObject<IPreviewHandlerFrame> {
public:
    HostSite() = default;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    IFACEMETHODIMP GetWindowContext(PREVIEWHANDLERFRAMEINFO* info) override;
    IFACEMETHODIMP TranslateAccelerator(MSG* msg) override;
};

}  // namespace tamsel
