// The full path of a loaded module, however long.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// Empty when the system cannot say. The buffer grows rather than cutting a
// long path: a truncated one would name the wrong folder.
inline std::wstring ModuleFilePath(HMODULE module) {
    constexpr std::size_t kLongestPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= kLongestPath) return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace tamsel
