#include "plugin_folder_rules.h"

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

}  // namespace

std::wstring FindFileInTheWay(const std::wstring& folder,
                              const std::function<PathKind(const std::wstring&)>& kind_of) {
    size_t start = RootLength(folder);
    while (start < folder.size()) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) end = folder.size();
        if (end > start) {  // doubled backslashes name no step of their own
            const std::wstring step = folder.substr(0, end);
            const PathKind kind = kind_of(step);
            if (kind == PathKind::File) return step;
            if (kind == PathKind::Missing) return {};
        }
        start = end + 1;
    }
    return {};
}

}  // namespace tamsel
