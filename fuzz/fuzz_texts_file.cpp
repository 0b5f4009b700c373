// handler.dat's reader and the module-folder rule under arbitrary bytes: the
// reader's result is checked against a plain character-by-character model, its
// lines against the format's invariants, and re-encoded lines must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "pane_rules.h"

namespace {

constexpr char16_t kMark = 0xFEFF;

bool StartsWithMark(const std::uint8_t* data, std::size_t size) {
    return size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
}

// The format written out as a state machine: skip one mark, stop at NUL, a
// CR LF pair is one break, and a break at the very end opens no line.
std::vector<std::u16string> ModelLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::u16string> lines(1);
    bool after_cr = false;
    for (std::size_t at = StartsWithMark(data, size) ? 2 : 0; at + 1 < size; at += 2) {
        const char16_t c = static_cast<char16_t>(data[at] | data[at + 1] << 8);
        if (c == 0) break;
        const bool completes_crlf = after_cr && c == u'\n';
        after_cr = c == u'\r';
        if (completes_crlf) continue;
        if (c == u'\r' || c == u'\n') {
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

std::vector<std::uint8_t> Encode(bool mark, const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    if (mark) bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

void CheckLine(const std::u16string& line) {
    for (char16_t c : line)
        if (c == u'\r' || c == u'\n' || c == 0) std::abort();
}

void CheckRoundTrip(const tamsel::PaneTexts& texts) {
    struct Layout {
        bool mark;
        const char16_t* separator;
        const char16_t* end;
    };
    static const Layout kLayouts[] = {
        {true, u"\r\n", u"\r\n"}, {false, u"\r\n", u"\r\n"}, {true, u"\n", u"\n"},
        {false, u"\r", u"\r"},    {false, u"\r\n", u""},     {true, u"\n", u""},
    };
    for (const Layout& layout : kLayouts) {
        // Without a mark, a title starting with one would be taken for the mark;
        // without a final break, an empty hint is no line at all.
        if (!layout.mark && !texts.title.empty() && texts.title[0] == kMark) continue;
        if (*layout.end == 0 && texts.hint.empty()) continue;
        const std::vector<std::uint8_t> bytes =
            Encode(layout.mark, texts.title + layout.separator + texts.hint + layout.end);
        const std::optional<tamsel::PaneTexts> again = tamsel::ParseTextsFile(bytes.data(), bytes.size());
        if (!again || again->title != texts.title || again->hint != texts.hint) std::abort();
    }
}

void CheckModuleFolder(const std::uint8_t* data, std::size_t size) {
    std::u16string path;
    for (std::size_t at = 0; at + 1 < size; at += 2) path.push_back(static_cast<char16_t>(data[at] | data[at + 1] << 8));
    const std::u16string folder = tamsel::ModuleFolder(path);
    if (path.empty()) {
        if (!folder.empty()) std::abort();
        return;
    }
    if (folder.empty() || folder.back() != u'\\') std::abort();
    const bool cut_at_last_backslash = path.compare(0, folder.size(), folder) == 0 &&
                                       path.find(u'\\', folder.size()) == std::u16string::npos;
    const bool whole_path_appended = path.find(u'\\') == std::u16string::npos && folder == path + u'\\';
    if (!cut_at_last_backslash && !whole_path_appended) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<tamsel::PaneTexts> texts = tamsel::ParseTextsFile(data, size);
    const std::vector<std::u16string> expected = ModelLines(data, size);

    if (texts.has_value() != (expected.size() == 2)) std::abort();
    if (texts) {
        if (texts->title != expected[0] || texts->hint != expected[1]) std::abort();
        CheckLine(texts->title);
        CheckLine(texts->hint);
        // The mark is never text, unless the file really starts with two of them.
        const bool two_marks = StartsWithMark(data, size) && StartsWithMark(data + 2, size - 2);
        if (!texts->title.empty() && texts->title[0] == kMark && !two_marks) std::abort();
        CheckRoundTrip(*texts);
    }

    CheckModuleFolder(data, size);
    return 0;
}
