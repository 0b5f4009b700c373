#include "registration.h"

#include <objbase.h>

#include <cwchar>

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

#include "guids.h"
#include "module.h"
#include "../common/win32_raii.h"

namespace tamsel {

namespace {

constexpr size_t kKeyPathChars = MAX_PATH;
constexpr size_t kGuidTextChars = 39;

// The shell looks for a preview handler under the IPreviewHandler identifier,
// written in lower case, below the file type's key.
constexpr wchar_t kPreviewHandlerSlotFormat[] = L"%ls\\shellex\\{8895b1c6-b41f-4c1c-a562-0d564250836f}";
constexpr wchar_t kPreviewHandlersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
constexpr wchar_t kPreviewHost[] = L"%SystemRoot%\\system32\\prevhost.exe";

// One value that registration writes. The key path is `key_format` with
// `key_argument` put in for its "%ls".
struct RegistryEntry {
    HKEY root;
    const wchar_t* key_format;
    const wchar_t* key_argument;
    const wchar_t* value_name;  // null: the key's default value
    DWORD type;
    const wchar_t* data;
};

// One thing that unregistration removes: a value, or a key with all below it.
struct RegistryRemoval {
    HKEY root;
    const wchar_t* key_format;
    const wchar_t* key_argument;
    const wchar_t* value_name;  // null: the whole key tree
};

using KeyPath = wchar_t[kKeyPathChars];
using GuidText = wchar_t[kGuidTextChars];

// Fails with STRSAFE_E_INSUFFICIENT_BUFFER when the path does not fit.
HRESULT FormatKeyPath(KeyPath& path, const wchar_t* format, const wchar_t* argument) {
    return StringCchPrintfW(path, kKeyPathChars, format, argument);
}

HRESULT WriteValue(const RegistryEntry& entry, const wchar_t* path) {
    UniqueRegKey key;
    LSTATUS status = RegCreateKeyExW(entry.root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                     key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((wcslen(entry.data) + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key.get(), entry.value_name, 0, entry.type, reinterpret_cast<const BYTE*>(entry.data),
                            bytes);
    return HRESULT_FROM_WIN32(status);
}

// Only the value itself must go: its key may hold other servers' values.
HRESULT RemoveValue(const RegistryRemoval& removal, const wchar_t* path) {
    UniqueRegKey key;
    LSTATUS status = RegOpenKeyExW(removal.root, path, 0, KEY_WRITE, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegDeleteValueW(key.get(), removal.value_name);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

template <size_t N>
HRESULT WriteRegistryEntries(const RegistryEntry (&entries)[N]) {
    for (const RegistryEntry& entry : entries) {
        KeyPath path;
        HRESULT hr = FormatKeyPath(path, entry.key_format, entry.key_argument);
        if (SUCCEEDED(hr)) hr = WriteValue(entry, path);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

template <size_t N>
HRESULT RemoveRegistryEntries(const RegistryRemoval (&removals)[N]) {
    for (const RegistryRemoval& removal : removals) {
        KeyPath path;
        HRESULT hr = FormatKeyPath(path, removal.key_format, removal.key_argument);
        if (SUCCEEDED(hr)) {
            hr = removal.value_name ? RemoveValue(removal, path)
                                    : HRESULT_FROM_WIN32(RegDeleteTreeW(removal.root, path));
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// The extension's default value names the programmatic identifier that the
// file type is bound to; without a usable one, the extension's own key serves.
void FindTypeKey(const wchar_t* extension, KeyPath& type_key) {
    UniqueRegKey key;
    DWORD bytes = sizeof(type_key);
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, extension, 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
        RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(type_key), &bytes) ==
            ERROR_SUCCESS) {
        // Stored text need not end in a null: only the bytes read count, and a
        // text that leaves no room for its terminator does not fit.
        const size_t length = wcsnlen(type_key, bytes / sizeof(wchar_t));
        if (length > 0 && length < kKeyPathChars) {
            type_key[length] = L'\0';
            return;
        }
    }
    StringCchCopyW(type_key, kKeyPathChars, extension);
}

// What both registering and unregistering name: the GUID texts and the type key.
struct ServerNames {
    GuidText class_id;
    GuidText app_id;
    KeyPath type_key;
};

void FindServerNames(ServerNames& names) {
    StringFromGUID2(kHandlerClassId, names.class_id, kGuidTextChars);
    StringFromGUID2(kHandlerAppId, names.app_id, kGuidTextChars);
    FindTypeKey(kFileExtension, names.type_key);
}

}  // namespace

HRESULT RegisterServer() {
    KeyPath module_path;
    const DWORD length = GetModuleFileNameW(ModuleHandle(), module_path, kKeyPathChars);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    // A path that fills the whole buffer was cut short, and a cut path must not
    // be registered.
    if (length >= kKeyPathChars) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

    ServerNames names;
    FindServerNames(names);
    const RegistryEntry entries[] = {
        {HKEY_CLASSES_ROOT, L"CLSID\\%ls", names.class_id, nullptr, REG_SZ, kClassDescription},
        {HKEY_CLASSES_ROOT, L"CLSID\\%ls", names.class_id, L"AppID", REG_SZ, names.app_id},
        {HKEY_CLASSES_ROOT, L"CLSID\\%ls\\InprocServer32", names.class_id, nullptr, REG_SZ, module_path},
        {HKEY_CLASSES_ROOT, L"CLSID\\%ls\\InprocServer32", names.class_id, L"ThreadingModel", REG_SZ,
         kThreadingModel},
        {HKEY_CLASSES_ROOT, L"AppID\\%ls", names.app_id, L"DllSurrogate", REG_EXPAND_SZ, kPreviewHost},
        {HKEY_CLASSES_ROOT, kPreviewHandlerSlotFormat, names.type_key, nullptr, REG_SZ, names.class_id},
        {HKEY_CURRENT_USER, kPreviewHandlersKey, nullptr, names.class_id, REG_SZ, kHandlerName},
    };
    return WriteRegistryEntries(entries);
}

HRESULT UnregisterServer() {
    ServerNames names;
    FindServerNames(names);
    const RegistryRemoval removals[] = {
        {HKEY_CLASSES_ROOT, L"CLSID\\%ls", names.class_id, nullptr},
        {HKEY_CLASSES_ROOT, L"AppID\\%ls", names.app_id, nullptr},
        {HKEY_CLASSES_ROOT, kPreviewHandlerSlotFormat, names.type_key, nullptr},
        {HKEY_CURRENT_USER, kPreviewHandlersKey, nullptr, names.class_id},
    };
    return RemoveRegistryEntries(removals);
}

}  // namespace tamsel
