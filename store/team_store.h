// The team store: a second Preview store on a file share, named by a machine
// policy, that every workstation reads and the plugin writes as well. Without
// the policy there is none, and only the local store counts.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// HKEY_LOCAL_MACHINE\<kTeamStorePolicyKey>, value kTeamStorePolicyValue.
inline constexpr wchar_t kTeamStorePolicyKey[] = L"Software\\Policies\\Tamsel";
inline constexpr wchar_t kTeamStorePolicyValue[] = L"TeamStore";

// How long one lookup waits for the share before it counts as absent.
inline constexpr DWORD kTeamStoreWaitMs = 2000;

// Where a key's picture lives in each store; a path is empty when that store
// is unknown (the local one) or not set (the team one). Read once per preview,
// thumbnail or model load.
struct StorePaths {
    std::wstring local;
    std::wstring team;
};
StorePaths GetStorePaths(const std::wstring& key) noexcept;

// Whether a file (or a symbolic link to one) exists at `path`.
bool LocalFileExists(const std::wstring& path) noexcept;

// Whether either store holds a picture file for the key; the team store is
// asked for kTeamStoreWaitMs at most and counts as absent past it.
bool StoreHoldsPicture(const StorePaths& paths) noexcept;

}  // namespace tamsel
