// Reading the registry back in the registration tests: values as text, and
// snapshots of every key and value where registration may write, compared
// before and after.
#pragma once

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win32_raii.h"
#include "registry_names.h"

namespace registry_test {

using tamsel::UniqueRegKey;


// Snapshot labels of the places that registration writes to. Under Wine,
// HKEY_CLASSES_ROOT is the machine's classes key itself (HKLM\Software\Classes)
// and does not show the user's classes, which are walked on their own.
inline const std::wstring kClassesRoot = L"HKCR";
inline const std::wstring kUserClassesRoot = L"HKCU\\Software\\Classes";
inline const std::wstring kHandlersRoot = L"HKCU\\" + kHandlersKey;
inline const std::wstring kMachineHandlersRoot = L"HKLM\\" + kHandlersKey;

inline bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A value as "TYPE:text", the stored bytes shown whole (a terminator as "\0").
inline std::wstring DescribeValue(DWORD type, const std::vector<BYTE>& data) {
    std::wstring text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
            text += c ? std::wstring(1, c) : std::wstring(L"\\0");
        }
        return (type == REG_SZ ? L"REG_SZ:" : L"REG_EXPAND_SZ:") + text;
    }
    wchar_t hex[4];
    for (BYTE b : data) {
        swprintf(hex, 4, L"%02x", b);
        text += hex;
    }
    return L"type" + std::to_wstring(type) + L":" + text;
}

inline std::optional<std::wstring> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(bytes);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
    data.resize(bytes);
    return DescribeValue(type, data);
}

inline std::wstring Sz(const std::wstring& text) { return L"REG_SZ:" + text + L"\\0"; }

// Every key ("path") and value ("path|name") below the roots, as text.
using Snapshot = std::map<std::wstring, std::wstring>;
inline const wchar_t kKeyMark[] = L"(key)";

inline void Walk(HKEY key, const std::wstring& path, Snapshot& out) {
    out[path] = kKeyMark;
    DWORD subkeys = 0, max_subkey = 0, values = 0, max_name = 0, max_data = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values, &max_name,
                         &max_data, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::vector<wchar_t> name(std::max(max_name, max_subkey) + 2);
    std::vector<BYTE> data(max_data + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD name_chars = static_cast<DWORD>(name.size());
        DWORD bytes = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &name_chars, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) {
            continue;
        }
        out[path + L"|" + std::wstring(name.data(), name_chars)] =
            DescribeValue(type, std::vector<BYTE>(data.begin(), data.begin() + bytes));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD name_chars = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &name_chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        const std::wstring sub(name.data(), name_chars);
        UniqueRegKey child;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
            Walk(child.get(), path + L"\\" + sub, out);
        }
    }
}

inline void WalkIfPresent(HKEY root, const std::wstring& path, const std::wstring& label, Snapshot& out) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) Walk(key.get(), label, out);
}

// The machine's classes, the user's classes, and both lists of preview
// handlers. The 32-bit view (Wow6432Node) is left out: Wine mirrors shared
// keys such as AppID into it by itself.
inline Snapshot TakeSnapshot() {
    Snapshot snapshot;
    Walk(HKEY_CLASSES_ROOT, kClassesRoot, snapshot);
    for (auto it = snapshot.lower_bound(kClassesRoot + L"\\Wow6432Node");
         it != snapshot.end() && it->first.rfind(kClassesRoot + L"\\Wow6432Node", 0) == 0;) {
        it = snapshot.erase(it);
    }
    WalkIfPresent(HKEY_CURRENT_USER, L"Software\\Classes", kUserClassesRoot, snapshot);
    WalkIfPresent(HKEY_CURRENT_USER, kHandlersKey, kHandlersRoot, snapshot);
    WalkIfPresent(HKEY_LOCAL_MACHINE, kHandlersKey, kMachineHandlersRoot, snapshot);
    return snapshot;
}

// The same places as TakeSnapshot, but of the classes only the keys named
// (paths below a classes key) and, as bare keys, their parents: a walk of all
// classes costs about a second under Wine.
inline Snapshot TakeSnapshotOf(const std::vector<std::wstring>& class_keys) {
    Snapshot snapshot;
    const struct {
        HKEY root;
        const wchar_t* path;  // of the classes key below root
        const std::wstring& label;
    } classes[] = {{HKEY_CLASSES_ROOT, L"", kClassesRoot}, {HKEY_CURRENT_USER, L"Software\\Classes", kUserClassesRoot}};
    for (const auto& c : classes) {
        const auto below = [&](const std::wstring& key) { return *c.path ? c.path + (L"\\" + key) : key; };
        if (*c.path && !KeyExists(c.root, c.path)) continue;
        snapshot[c.label] = kKeyMark;
        for (const std::wstring& key : class_keys) {
            for (size_t end = key.find(L'\\'); end != std::wstring::npos; end = key.find(L'\\', end + 1)) {
                if (KeyExists(c.root, below(key.substr(0, end)))) snapshot[c.label + L"\\" + key.substr(0, end)] = kKeyMark;
            }
            WalkIfPresent(c.root, below(key), c.label + L"\\" + key, snapshot);
        }
    }
    WalkIfPresent(HKEY_CURRENT_USER, kHandlersKey, kHandlersRoot, snapshot);
    WalkIfPresent(HKEY_LOCAL_MACHINE, kHandlersKey, kMachineHandlersRoot, snapshot);
    return snapshot;
}

// What `after` holds that `before` did not, or holds otherwise; "(gone)" for removals.
inline Snapshot Changes(const Snapshot& before, const Snapshot& after) {
    Snapshot changes;
    for (const auto& [path, value] : after) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != value) changes[path] = value;
    }
    for (const auto& [path, value] : before) {
        if (!after.count(path)) changes[path] = L"(gone)";
    }
    return changes;
}

// `values` ("path|name" -> value) plus each key on their paths that `before` lacks.
inline Snapshot Additions(const Snapshot& before, const Snapshot& values) {
    Snapshot additions = values;
    for (const auto& entry : values) {
        std::wstring key = entry.first.substr(0, entry.first.find(L'|'));
        while (!before.count(key)) {
            additions[key] = kKeyMark;
            if (key == kClassesRoot || key == kUserClassesRoot || key == kHandlersRoot ||
                key == kMachineHandlersRoot) {
                break;
            }
            key.erase(key.rfind(L'\\'));
        }
    }
    return additions;
}

// Those of `keys` that `before` lacks, as keys: what may stay, empty, after
// an uninstall.
inline Snapshot NewKeys(const Snapshot& before, const std::vector<std::wstring>& keys) {
    Snapshot added;
    for (const std::wstring& key : keys) {
        if (!before.count(key)) added[key] = kKeyMark;
    }
    return added;
}

// A default value as stored: type and bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

inline std::optional<RawValue> ReadDefault(HKEY root, const std::wstring& path) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    RawValue value;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(bytes);
    RegQueryValueExW(key.get(), nullptr, nullptr, &value.type, value.bytes.data(), &bytes);
    return value;
}

// Creates the key and, given a value, sets its default value to exactly those bytes.
inline bool SetDefault(HKEY root, const std::wstring& path, const std::optional<RawValue>& value) {
    UniqueRegKey key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return !value || RegSetValueExW(key.get(), nullptr, 0, value->type, value->bytes.data(),
                                    static_cast<DWORD>(value->bytes.size())) == ERROR_SUCCESS;
}

inline RawValue Text(const std::wstring& text, bool with_terminator = true) {
    const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(first, first + (text.size() + (with_terminator ? 1 : 0)) * sizeof(wchar_t))};
}

// The bytes of `text` stored under a type that is not a string.
inline RawValue NotText(DWORD type, const std::wstring& text) {
    RawValue value = Text(text);
    value.type = type;
    return value;
}

}  // namespace registry_test
