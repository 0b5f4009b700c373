#include "class_factory.h"

#include <shlwapi.h>

#include <new>

#include "module.h"
#include "tamsel_handler.h"

namespace tamsel {

ClassFactory::ClassFactory() { IncrementServerCount(); }
ClassFactory::~ClassFactory() { DecrementServerCount(); }

IFACEMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB kInterfaces[] = {
        QITABENT(ClassFactory, IClassFactory),
        {},
    };
    return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) ClassFactory::AddRef() { return InterlockedIncrement(&refs_); }

IFACEMETHODIMP_(ULONG) ClassFactory::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

IFACEMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv) *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* handler = new (std::nothrow) TamselHandler();
    if (!handler) return E_OUTOFMEMORY;
    const HRESULT hr = handler->QueryInterface(riid, ppv);
    handler->Release();
    return hr;
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
