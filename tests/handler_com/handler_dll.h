// Drives the built tamsel_handler.dll the way COM and regsvr32 do: loaded by
// path, reached only through its exports.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <propsys.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <string>

#include "win32_raii.h"

// {3C994A91-448B-42B9-814C-B427301F3DAA}
inline constexpr CLSID kHandlerClassId = {
    0x3c994a91, 0x448b, 0x42b9, {0x81, 0x4c, 0xb4, 0x27, 0x30, 0x1f, 0x3d, 0xaa}};
// {82A51337-D4BF-4A3F-9C2F-A295D6113619}
inline constexpr CLSID kThumbnailClassId = {
    0x82a51337, 0xd4bf, 0x4a3f, {0x9c, 0x2f, 0xa2, 0x95, 0xd6, 0x11, 0x36, 0x19}};

struct HandlerDll {
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    using InstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);

    HMODULE module = nullptr;
    GetClassObjectFn DllGetClassObject = nullptr;
    ServerFn DllCanUnloadNow = nullptr;
    ServerFn DllRegisterServer = nullptr;
    ServerFn DllUnregisterServer = nullptr;
    InstallFn DllInstall = nullptr;

    // Loads the DLL at `path` (kept loaded for the rest of the process).
    static HandlerDll Load(const std::wstring& path) {
        HandlerDll dll;
        dll.module = LoadLibraryW(path.c_str());
        if (!dll.module) return dll;
        dll.DllGetClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(dll.module, "DllGetClassObject")));
        dll.DllCanUnloadNow = Export(dll.module, "DllCanUnloadNow");
        dll.DllRegisterServer = Export(dll.module, "DllRegisterServer");
        dll.DllUnregisterServer = Export(dll.module, "DllUnregisterServer");
        dll.DllInstall = reinterpret_cast<InstallFn>(
            reinterpret_cast<void*>(GetProcAddress(dll.module, "DllInstall")));
        return dll;
    }

    // The DLL of this build tree, loaded once per test process.
    static const HandlerDll& Built() {
        static const HandlerDll dll = Load(BuiltPath());
        return dll;
    }

    // Windows path of the built DLL, with backslashes, as the loader reports it.
    static std::wstring BuiltPath() {
        std::wstring path = std::wstring(TAMSEL_TEST_BIN_DIR) + L"/shell_handler/tamsel_handler.dll";
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        return path;
    }

private:
    static ServerFn Export(HMODULE module, const char* name) {
        return reinterpret_cast<ServerFn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

// A new object of the class `clsid` from the built DLL's class factory, asked for `Interface`.
template <typename Interface>
HRESULT CreateObjectOf(REFCLSID clsid, REFIID riid, Interface** out) {
    tamsel::ComPtr<IClassFactory> factory;
    const HRESULT hr = HandlerDll::Built().DllGetClassObject(clsid, IID_IClassFactory, factory.put_void());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, riid, reinterpret_cast<void**>(out));
}

// A new thumbnail provider of the built DLL, initialised with `stream`; null
// when any step fails.
inline tamsel::ComPtr<IThumbnailProvider> InitializedThumbnailProvider(IStream* stream) {
    tamsel::ComPtr<IInitializeWithStream> init;
    tamsel::ComPtr<IThumbnailProvider> provider;
    if (SUCCEEDED(CreateObjectOf(kThumbnailClassId, IID_IInitializeWithStream, init.put())) &&
        SUCCEEDED(init->Initialize(stream, STGM_READ))) {
        init->QueryInterface(IID_PPV_ARGS(provider.put()));
    }
    return provider;
}

// A new handler object from the built DLL's class factory, asked for `Interface`.
template <typename Interface>
HRESULT CreateHandler(REFIID riid, Interface** out) {
    return CreateObjectOf(kHandlerClassId, riid, out);
}
