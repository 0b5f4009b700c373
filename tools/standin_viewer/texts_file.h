// The viewer's language texts files: UTF-8 "key=value" lines (README.md).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

using Texts = std::map<std::wstring, std::wstring>;

// The texts of a file's decoded content: a leading byte-order mark is skipped;
// lines end in LF or CRLF; blank lines and lines starting with "#" are comments;
// other lines are split at the first "=" into key and value, each trimmed of
// spaces and tabs; a line without "=" or with an empty key is skipped; a later
// key replaces an earlier one.
Texts ParseTexts(std::wstring_view content);

// Reads and parses the file; nothing when it cannot be read or is not UTF-8.
std::optional<Texts> LoadTextsFile(const std::wstring& path);

}  // namespace standin
