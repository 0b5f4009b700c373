#include "team_store_rules.h"

namespace tamsel {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool IsAbsolute(const std::wstring& path) {
    // "\\" and a server name: UNC, also "\\?\..." and "\\.\...".
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1])) return !IsSeparator(path[2]);
    // "C:\": "C:" alone or "C:tamsel" are relative to that drive's current folder.
    return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
}

}  // namespace

std::wstring TeamStoreFolderFromPolicy(const std::wstring& value) {
    if (!IsAbsolute(value)) return {};
    std::wstring folder = value;
    for (wchar_t& c : folder) {
        if (c == L'/') c = L'\\';
    }
    // One final backslash, however many the value had ("C:\\" keeps its own).
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    if (folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
}

}  // namespace tamsel
