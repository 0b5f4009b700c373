#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
STDAPI DllCanUnloadNow() { return S_OK; }
STDAPI DllGetClassObject(REFCLSID, REFIID, void** out) {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
STDAPI DllRegisterServer() { return E_NOTIMPL; }
STDAPI DllUnregisterServer() { return E_NOTIMPL; }
