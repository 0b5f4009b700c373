#include "registration.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <new>
#include <string>

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

#include "com_result.h"
#include "guids.h"
#include "module.h"
#include "registration_layout.h"
#include "win32_raii.h"

namespace tamsel {

namespace {

// Key paths below a classes key, and type keys read from the registry, are
// held to the buffer size that registration has always used.
constexpr size_t kKeyPathChars = MAX_PATH;

template <typename Step>
HRESULT WithoutExceptions(Step step) noexcept {
    try {
        return step();
    } catch (...) {
        return ResultOfCaughtException();
    }
}

HRESULT CheckKeyPathFits(const std::wstring& key) {
    return key.size() < kKeyPathChars ? S_OK : STRSAFE_E_INSUFFICIENT_BUFFER;
}

std::wstring PathBelow(const ClassesKey& classes, const std::wstring& key) {
    return *classes.key ? classes.key + (L"\\" + key) : key;
}

HKEY RootOf(const RegistryLayout& layout, const RegistryRow& row) {
    return row.place == RegistryPlace::kClasses ? layout.classes.root : layout.handler_list_root;
}

std::wstring PathOf(const RegistryLayout& layout, const RegistryRow& row) {
    return row.place == RegistryPlace::kClasses ? PathBelow(layout.classes, row.key) : row.key;
}

const wchar_t* ValueNameOf(const RegistryRow& row) {
    return row.value_name.empty() ? nullptr : row.value_name.c_str();
}

// The default value of a key, if it is a string that fits a key path with its
// terminator.
bool ReadStringDefault(HKEY root, const std::wstring& path, wchar_t (&text)[kKeyPathChars], LSTATUS& status) {
    DWORD bytes = sizeof(text);
    status = RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &bytes);
    if (status != ERROR_SUCCESS) return false;
    // Stored text need not end in a null, and Wine's RegGetValueW then returns
    // it as stored: only the bytes read count.
    const size_t length = wcsnlen(text, bytes / sizeof(wchar_t));
    if (length >= kKeyPathChars) {
        status = ERROR_MORE_DATA;
        return false;
    }
    text[length] = L'\0';
    return true;
}

// The extension's default value names the programmatic identifier that the
// file type is bound to. Only a non-empty string does: binary or numeric data
// is no name, and the extension's own key then serves.
std::wstring FindTypeKey(RegistrationMode mode) {
    for (const ClassesKey& classes : TypeKeyLookup(mode)) {
        wchar_t type_key[kKeyPathChars];
        LSTATUS status;
        if (ReadStringDefault(classes.root, PathBelow(classes, kFileExtension), type_key, status) &&
            type_key[0] != L'\0') {
            return type_key;
        }
    }
    return kFileExtension;
}

Bitness ModuleBitness() { return sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32; }

Bitness WindowsBitness() {
    if (ModuleBitness() == Bitness::k64) return Bitness::k64;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? Bitness::k64 : Bitness::k32;
}

HRESULT GetModulePath(std::wstring& path) {
    wchar_t buffer[kKeyPathChars];
    const DWORD length = GetModuleFileNameW(ModuleHandle(), buffer, kKeyPathChars);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    // A path that fills the whole buffer was cut short, and a cut path must not
    // be registered.
    if (length >= kKeyPathChars) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.assign(buffer, length);
    return S_OK;
}

HRESULT WriteRow(const RegistryLayout& layout, const RegistryRow& row) {
    HRESULT hr = CheckKeyPathFits(row.key);
    if (FAILED(hr)) return hr;
    UniqueRegKey key;
    LSTATUS status = RegCreateKeyExW(RootOf(layout, row), PathOf(layout, row).c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((row.data.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key.get(), ValueNameOf(row), 0, row.type, reinterpret_cast<const BYTE*>(row.data.c_str()),
                            bytes);
    return HRESULT_FROM_WIN32(status);
}

// Only the value itself must go: its key may hold other servers' values.
HRESULT RemoveValue(HKEY root, const std::wstring& path, const wchar_t* value_name) {
    UniqueRegKey key;
    LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_WRITE, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegDeleteValueW(key.get(), value_name);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

HRESULT RemoveTree(const RegistryLayout& layout, HKEY root, const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_FILE_NOT_FOUND && layout.removal_style == RemovalStyle::kTolerant) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

// Another program may have bound the slot to its own class since: then it is
// that program's entry.
HRESULT RemoveSlotIfOurs(const RegistryLayout& layout, const RegistryRow& row) {
    const HKEY root = RootOf(layout, row);
    const std::wstring path = PathOf(layout, row);
    wchar_t named[kKeyPathChars];
    LSTATUS status;
    if (ReadStringDefault(root, path, named, status)) {
        if (CompareStringOrdinal(named, -1, row.data.c_str(), -1, TRUE) != CSTR_EQUAL) return S_OK;
        return RemoveTree(layout, root, path);
    }
    const bool names_nothing_of_ours =
        status == ERROR_FILE_NOT_FOUND || status == ERROR_UNSUPPORTED_TYPE || status == ERROR_MORE_DATA;
    return names_nothing_of_ours ? S_OK : HRESULT_FROM_WIN32(status);
}

bool KeyIsEmpty(HKEY root, const std::wstring& path) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

// An empty shellex key below an extension hides a programmatic identifier's
// slots from hosts that look at the extension first; an empty type key is
// left over from the install. Removes each parent of a slot that is empty,
// from the slot's own parent up to the type key.
HRESULT RemoveEmptyParents(const RegistryLayout& layout, const RegistryRow& row) {
    std::wstring key = row.key;
    for (size_t end = key.rfind(L'\\'); end != std::wstring::npos; end = key.rfind(L'\\')) {
        key.erase(end);
        const std::wstring path = PathBelow(layout.classes, key);
        if (!KeyIsEmpty(layout.classes.root, path)) break;
        const LSTATUS status = RegDeleteKeyW(layout.classes.root, path.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

HRESULT RemoveRow(const RegistryLayout& layout, const RegistryRow& row) {
    HRESULT hr = CheckKeyPathFits(row.key);
    if (FAILED(hr)) return hr;
    switch (row.removal) {
        case Removal::kWithTree:
            return S_OK;
        case Removal::kTree:
            return RemoveTree(layout, RootOf(layout, row), PathOf(layout, row));
        case Removal::kValue:
            return RemoveValue(RootOf(layout, row), PathOf(layout, row), ValueNameOf(row));
        case Removal::kSlot:
            if (layout.removal_style == RemovalStyle::kStrict) {
                return RemoveTree(layout, RootOf(layout, row), PathOf(layout, row));
            }
            hr = RemoveSlotIfOurs(layout, row);
            return SUCCEEDED(hr) ? RemoveEmptyParents(layout, row) : hr;
    }
    return E_UNEXPECTED;
}

// Both stop at the first failure and leave what was done before it.
HRESULT WriteLayout(const RegistryLayout& layout) {
    for (const RegistryRow& row : layout.rows) {
        const HRESULT hr = WriteRow(layout, row);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT RemoveLayout(const RegistryLayout& layout) {
    for (const RegistryRow& row : layout.rows) {
        const HRESULT hr = RemoveRow(layout, row);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT Register(RegistrationMode mode) {
    std::wstring module_path;
    const HRESULT hr = GetModulePath(module_path);
    if (FAILED(hr)) return hr;
    return WriteLayout(ChooseRegistryLayout(mode, WindowsBitness(), ModuleBitness(), module_path, FindTypeKey(mode)));
}

RegistryLayout SlotsOf(RegistryLayout layout) {
    auto& rows = layout.rows;
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const RegistryRow& row) { return row.removal != Removal::kSlot; }),
               rows.end());
    return layout;
}

// Removal needs no module path: no row is removed by its data's path.
HRESULT Unregister(RegistrationMode mode) {
    const std::wstring type_key = FindTypeKey(mode);
    const RegistryLayout layout = ChooseRegistryLayout(mode, WindowsBitness(), ModuleBitness(), L"", type_key);
    HRESULT hr = RemoveLayout(layout);
    if (FAILED(hr) || layout.removal_style != RemovalStyle::kTolerant || type_key == kFileExtension) return hr;
    // Installed while .ifc was unbound, the slots went below .ifc itself; a
    // program that bound it since leaves them there, naming a class that is
    // gone and hiding its own. Only slots that still name ours are removed.
    return RemoveLayout(SlotsOf(ChooseRegistryLayout(mode, WindowsBitness(), ModuleBitness(), L"", kFileExtension)));
}

}  // namespace

HRESULT RegisterServer() {
    return WithoutExceptions([] { return Register(RegistrationMode::kSelfRegistration); });
}

HRESULT UnregisterServer() {
    return WithoutExceptions([] { return Unregister(RegistrationMode::kSelfRegistration); });
}

HRESULT InstallServer(bool install, const wchar_t* command_line) {
    RegistrationMode mode;
    if (!ParseInstallCommandLine(command_line, mode)) return E_INVALIDARG;
    const HRESULT hr = WithoutExceptions([&] { return install ? Register(mode) : Unregister(mode); });
    // Explorer keeps the icons and thumbnails it drew under the old binding
    // until it hears that associations changed.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return hr;
}

}  // namespace tamsel
