#include "handler_lookup.h"

#include <objbase.h>

#include "win32_raii.h"

namespace tamsel {
namespace {

// The same read that registration makes: a 260-character buffer, the value's
// type not asked for; a value that does not fit counts as unreadable.
LSTATUS ReadExtensionDefault(const std::wstring& extension, std::wstring& value) {
    UniqueRegKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, extension.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) return status;
    wchar_t buffer[MAX_PATH + 1] = {};  // one spare terminator for an unterminated value
    DWORD size = MAX_PATH * sizeof(wchar_t);
    status = RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (status == ERROR_SUCCESS) value = buffer;
    return status;
}

// A REG_SZ value, or a REG_EXPAND_SZ one expanded.
LSTATUS ReadStringValue(const std::wstring& subkey, std::wstring& value) {
    DWORD size = 0;
    const DWORD flags = RRF_RT_REG_SZ;
    LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, flags, nullptr, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, flags, nullptr, &buffer[0], &size);
    if (status == ERROR_SUCCESS) value = buffer.c_str();
    return status;
}

}  // namespace

std::wstring ChooseTypeKey(const std::wstring& extension, LSTATUS read_status,
                           const std::wstring& default_value) {
    if (extension.empty() || extension[0] != L'.') return extension;
    return read_status == ERROR_SUCCESS && !default_value.empty() ? default_value : extension;
}

HRESULT FindShellExtension(const std::wstring& extension, const wchar_t* slot, ShellExtensionEntry& entry) noexcept {
    try {
        std::wstring default_value;
        const LSTATUS read_status = extension.empty() || extension[0] != L'.'
                                        ? ERROR_FILE_NOT_FOUND
                                        : ReadExtensionDefault(extension, default_value);
        entry.type_key = ChooseTypeKey(extension, read_status, default_value);

        LSTATUS status = ReadStringValue(entry.type_key + L"\\shellex\\" + slot, entry.clsid_text);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        const HRESULT hr = CLSIDFromString(entry.clsid_text.c_str(), &entry.clsid);
        if (FAILED(hr)) return hr;

        // The server path is only reported: COM itself resolves the class.
        status = ReadStringValue(L"CLSID\\" + entry.clsid_text + L"\\InprocServer32", entry.server_path);
        if (status != ERROR_SUCCESS) entry.server_path.clear();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace tamsel
