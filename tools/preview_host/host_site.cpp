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

IFACEMETHODIMP_(ULONG) HostSite::AddRef() { return InterlockedIncrement(&references_); }

IFACEMETHODIMP_(ULONG) HostSite::Release() {
    const LONG count = InterlockedDecrement(&references_);
    if (count == 0) delete this;
    return count;
}

IFACEMETHODIMP HostSite::GetWindowContext(PREVIEWHANDLERFRAMEINFO* info) {
    if (!info) return E_INVALIDARG;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

IFACEMETHODIMP HostSite::TranslateAccelerator(MSG*) { return S_FALSE; }

}  // namespace tamsel
