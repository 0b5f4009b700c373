// The class object that COM asks for through DllGetClassObject: it makes the
// objects of one of the server's classes.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

#include "server_object.h"

namespace tamsel {

// Makes a new object and asks it for `riid`; the object's own reference is
// released, so a refused interface destroys it at once.
using CreateObjectFunction = HRESULT (*)(REFIID riid, void** ppv);

template <typename Object>
HRESULT CreateObject(REFIID riid, void** ppv) {
    auto* object = new (std::nothrow) Object();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// How objects of the class `clsid` are made; null for a class this server lacks.
CreateObjectFunction ObjectMakerFor(REFCLSID clsid);

class ClassFactory final : public ServerObject<IClassFactory> {
public:
    explicit ClassFactory(CreateObjectFunction create_object);
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    // IClassFactory
    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

private:
    const CreateObjectFunction create_object_;
};

}  // namespace tamsel
