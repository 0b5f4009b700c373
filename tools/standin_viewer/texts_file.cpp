#include "texts_file.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "shared_file.h"

namespace standin {
namespace {

std::wstring_view Trimmed(std::wstring_view text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return {};
    const auto last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

// Files larger than this are not texts files.
constexpr std::size_t kMaxTextsFileSize = 1 << 20;

}  // namespace

Texts ParseTexts(std::wstring_view content) {
    if (!content.empty() && content.front() == L'\xFEFF') content.remove_prefix(1);
    Texts texts;
    while (!content.empty()) {
        const auto end = content.find(L'\n');
        std::wstring_view line = content.substr(0, end);
        content.remove_prefix(end == std::wstring_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);

        const std::wstring_view trimmed = Trimmed(line);
        if (trimmed.empty() || trimmed.front() == L'#') continue;
        const auto equals = trimmed.find(L'=');
        if (equals == std::wstring_view::npos) continue;
        const std::wstring_view key = Trimmed(trimmed.substr(0, equals));
        if (key.empty()) continue;
        texts[std::wstring(key)] = std::wstring(Trimmed(trimmed.substr(equals + 1)));
    }
    return texts;
}

std::optional<Texts> LoadTextsFile(const std::wstring& path) {
    const std::optional<std::vector<std::uint8_t>> read = tamsel::ReadSharedFile(path, kMaxTextsFileSize);
    if (!read) return std::nullopt;
    const std::string bytes(read->begin(), read->end());
    if (bytes.empty()) return Texts{};

    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length == 0) return std::nullopt;
    std::wstring content(length, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        content.data(), length);
    return ParseTexts(content);
}

}  // namespace standin
