// A team store for tests: a share that Wine serves from the prefix
// (\\server\share\... is <prefix>/dosdevices/unc/server/share/...), and the
// machine policy that names it, removed again at the end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32_raii.h"
#include "store_fixtures.h"
#include "team_store.h"

namespace team_store_fixtures {

inline std::wstring WindowsPathOfUnix(const std::wstring& unix_path) {
    std::wstring path = L"Z:" + unix_path;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// The Wine prefix's folder, as a Windows path, from the WINEPREFIX that the
// test was started with.
inline std::wstring PrefixFolder() {
    wchar_t prefix[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("WINEPREFIX is not set");
    return WindowsPathOfUnix(prefix);
}

// \\<server>\share\, served from a folder of the prefix that this creates.
class TeamShare {
public:
    explicit TeamShare(const std::wstring& server) : unc_(L"\\\\" + server + L"\\share\\") {
        std::wstring folder = PrefixFolder() + L"\\dosdevices\\unc";
        for (const std::wstring& part : {std::wstring(), L"\\" + server, std::wstring(L"\\share")}) {
            folder += part;
            CreateDirectoryW(folder.c_str(), nullptr);
        }
    }
    // The share's path, ending in a backslash.
    const std::wstring& unc() const { return unc_; }

private:
    std::wstring unc_;
};

// A file written for the test and removed at the end.
class PlantedFile {
public:
    PlantedFile(std::wstring path, const std::vector<std::uint8_t>& bytes) : path_(std::move(path)) {
        store_fixtures::WriteWholeFile(path_, bytes);
    }
    ~PlantedFile() { DeleteFileW(path_.c_str()); }
    PlantedFile(const PlantedFile&) = delete;
    PlantedFile& operator=(const PlantedFile&) = delete;

private:
    std::wstring path_;
};

// HKLM's TeamStore policy set to `value` of `type` for the life of the object.
class TeamStorePolicy {
public:
    TeamStorePolicy(const std::wstring& value, DWORD type = REG_SZ)
        : TeamStorePolicy(type, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) {}
    // A value that is not a string at all.
    explicit TeamStorePolicy(DWORD number)
        : TeamStorePolicy(REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) {}
    // A string of `value` without its terminator, followed by one odd byte.
    struct OddByte {
        BYTE value;
    };
    TeamStorePolicy(const std::wstring& value, OddByte extra) {
        std::vector<BYTE> data(reinterpret_cast<const BYTE*>(value.data()),
                               reinterpret_cast<const BYTE*>(value.data() + value.size()));
        data.push_back(extra.value);
        Set(REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    }
    ~TeamStorePolicy() { RegDeleteValueW(key_.get(), tamsel::kTeamStorePolicyValue); }
    TeamStorePolicy(const TeamStorePolicy&) = delete;
    TeamStorePolicy& operator=(const TeamStorePolicy&) = delete;

private:
    TeamStorePolicy(DWORD type, const BYTE* data, DWORD bytes) { Set(type, data, bytes); }
    void Set(DWORD type, const BYTE* data, DWORD bytes) {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, tamsel::kTeamStorePolicyKey, 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key_.put(), nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot create the policy key");
        }
        if (RegSetValueExW(key_.get(), tamsel::kTeamStorePolicyValue, 0, type, data, bytes) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot set the policy");
        }
    }

    tamsel::UniqueRegKey key_;
};

}  // namespace team_store_fixtures
