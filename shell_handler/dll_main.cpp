// Entry point and the exports of the in-process COM server.
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "class_factory.h"
#include "module.h"
#include "preview_form.h"
#include "registration.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tamsel::SetModuleHandle(module);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    const tamsel::CreateObjectFunction create_object = tamsel::ObjectMakerFor(clsid);
    if (!create_object) {
        if (ppv) *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) tamsel::ClassFactory(create_object);
    if (!factory) {
        if (ppv) *ppv = nullptr;
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    if (tamsel::ServerIsInUse()) return S_FALSE;
    // COM unloads the module next: its window classes and GDI+ must go first.
    tamsel::ReleasePaneFormResources();
    return S_OK;
}

STDAPI DllRegisterServer() { return tamsel::RegisterServer(); }

STDAPI DllUnregisterServer() { return tamsel::UnregisterServer(); }

STDAPI DllInstall(BOOL install, PCWSTR command_line) { return tamsel::InstallServer(install != FALSE, command_line); }
