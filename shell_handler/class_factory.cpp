#include "class_factory.h"

#include <shlwapi.h>

#include "guids.h"
#include "module.h"
#include "tamsel_handler.h"
#include "thumbnail_provider.h"

namespace tamsel {

CreateObjectFunction ObjectMakerFor(REFCLSID clsid) {
    static const struct {
        const CLSID& clsid;
        CreateObjectFunction create;
    } kClasses[] = {
        {kHandlerClassId, CreateObject<TamselHandler>},
        {kThumbnailClassId, CreateObject<TamselThumbnailProvider>},
    };
    for (const auto& served : kClasses) {
        if (IsEqualGUID(clsid, served.clsid)) return served.create;
    }
    return nullptr;
}

ClassFactory::ClassFactory(CreateObjectFunction create_object) : create_object_(create_object) {}

IFACEMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB kInterfaces[] = {
        QITABENT(ClassFactory, IClassFactory),
        {},
    };
    return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv) *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_object_(riid, ppv);
}

IFACEMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        IncrementServerCount();
    } else {
        DecrementServerCount();
    }
    return S_OK;
}

}  // namespace tamsel
