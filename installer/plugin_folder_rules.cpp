#include "plugin_folder_rules.h"

#include <windows.h>

namespace tamsel {
namespace {

// Length of "C:\" or "\\server\share\" at the start of `path`; 0 for a path without either.
size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.size() > 2 && path[2] == L'\\' ? 3 : 2;
    if (path.rfind(L"\\\\", 0) == 0) {
        const size_t server_end = path.find(L'\\', 2);
        if (server_end == std::wstring::npos) return path.size();
        const size_t share_end = path.find(L'\\', server_end + 1);
        return share_end == std::wstring::npos ? path.size() : share_end + 1;
    }
    return 0;
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
    const size_t root = RootLength(path);
    while (path.size() > root && path.back() == L'\\') path.pop_back();
    return path;
}

// Windows compares paths without regard to case.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace

PluginFolderPlan PlanPluginFolder(const std::wstring& folder,
                                  const std::function<PathKind(const std::wstring&)>& kind_of) {
    size_t start = RootLength(folder);
    while (start < folder.size()) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) end = folder.size();
        if (end > start) {  // doubled backslashes name no step of their own
            std::wstring step = folder.substr(0, end);
            const PathKind kind = kind_of(step);
            if (kind == PathKind::File) return {std::move(step), {}};
            if (kind == PathKind::Missing) return {{}, std::move(step)};
        }
        start = end + 1;
    }
    return {};
}

std::vector<std::wstring> FoldersUpTo(const std::wstring& folder, const std::wstring& top) {
    std::wstring path = WithoutTrailingBackslashes(folder);
    const std::wstring last = WithoutTrailingBackslashes(top);
    const size_t root = RootLength(path);
    if (last.size() <= RootLength(last)) return {};
    std::vector<std::wstring> folders;
    while (path.size() > root) {
        folders.push_back(path);
        if (SamePath(path, last)) return folders;
        const size_t cut = path.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut < root) break;
        path = WithoutTrailingBackslashes(path.substr(0, cut));
    }
    return {};
}

}  // namespace tamsel
