#include "host_site.h"

#include <shlwapi.h>

namespace tamsel {

IFACEMETHODIMP HostSite::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB table[] = {
        QITABENT(HostSite, IPreviewHandlerFrame),
        {nullptr, 0},
    };
    return QISearch(this, table, riid, ppv);
}

IFACEMETHODIMP HostSite::GetWindowContext(PREVIEWHANDLERFRAMEINFO* info) {
    if (!info) return E_INVALIDARG;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

IFACEMETHODIMP HostSite::TranslateAccelerator(MSG*) { return S_FALSE; }

}  // namespace tamsel
