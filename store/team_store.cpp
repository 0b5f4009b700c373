#include "team_store.h"

#include <memory>
#include <vector>

#include "bounded_work.h"
#include "win32_raii.h"
#include "preview_store.h"
#include "team_store_rules.h"

namespace tamsel {

namespace {

// A policy value longer than any path is not one.
constexpr DWORD kMaxPolicyBytes = 32768 * sizeof(wchar_t);

std::wstring ReadPolicyValue() {
    UniqueRegKey key;
    // The 64-bit view on 64-bit Windows, so that both builds read what Group Policy wrote.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTeamStorePolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) !=
        ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), kTeamStorePolicyValue, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxPolicyBytes) {
        return {};
    }
    // Room for an odd last byte: the stored string need not be whole, nor end in NUL.
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), kTeamStorePolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    // Only the whole characters read count; a half one is no part of a path.
    std::wstring value(text.data(), wcsnlen(text.data(), bytes / sizeof(wchar_t)));
    if (type != REG_EXPAND_SZ || value.empty()) return value;

    const DWORD needed = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(value.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return {};
    expanded.resize(written - 1);
    return expanded;
}

// The policy's folder, ending in a backslash; empty when the value is absent,
// not a string, empty or relative (see TeamStoreFolderFromPolicy). Only HKLM
// is read; a REG_EXPAND_SZ value has its environment variables expanded.
std::wstring GetTeamStoreFolder() noexcept {
    try {
        return TeamStoreFolderFromPolicy(ReadPolicyValue());
    } catch (...) {
        return {};
    }
}

bool TeamFileExists(const std::wstring& path) noexcept {
    if (path.empty()) return false;
    try {
        return CallBounded([path] { return LocalFileExists(path); }, kTeamStoreWaitMs).value_or(false);
    } catch (...) {
        return false;  // the path's copy for the worker
    }
}

}  // namespace

StorePaths GetStorePaths(const std::wstring& key) noexcept {
    StorePaths paths;
    if (key.empty()) return paths;
    try {
        paths.local = GetPreviewFilePath(key);
        const std::wstring team = GetTeamStoreFolder();
        if (!team.empty()) paths.team = team + key;
    } catch (...) {
        paths.team.clear();
    }
    return paths;
}

bool LocalFileExists(const std::wstring& path) noexcept {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StoreHoldsPicture(const StorePaths& paths) noexcept {
    return LocalFileExists(paths.local) || TeamFileExists(paths.team);
}

}  // namespace tamsel
