#include "pane_rules.h"

#include <algorithm>
#include <vector>

namespace tamsel {

namespace {

std::u16string DecodeUtf16Le(const std::uint8_t* bytes, std::size_t size) {
    std::size_t at = 0;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) at = 2;
    std::u16string text;
    // An odd byte at the end is half a character: it is dropped.
    for (; at + 1 < size; at += 2) {
        const auto c = static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8));
        if (c == u'\0') break;
        text.push_back(c);
    }
    return text;
}

// Lines split at CR, LF or CR LF; a break at the very end starts no further line.
std::vector<std::u16string> SplitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

std::optional<PaneTexts> ParseTextsFile(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes) return std::nullopt;
    std::vector<std::u16string> lines = SplitLines(DecodeUtf16Le(bytes, size));
    if (lines.size() != 2) return std::nullopt;
    return PaneTexts{std::move(lines[0]), std::move(lines[1])};
}

std::u16string ModuleFolder(const std::u16string& module_path) {
    if (module_path.empty()) return {};
    const std::size_t slash = module_path.rfind(u'\\');
    if (slash == std::u16string::npos) return module_path + u'\\';
    return module_path.substr(0, slash + 1);
}

PaneLayout LayOutPane(int client_width, int client_height, bool icon_visible) {
    const auto at_least_zero = [](int v) { return std::max(v, 0); };
    client_width = at_least_zero(client_width);
    client_height = at_least_zero(client_height);
    PaneLayout layout;
    layout.Panel1 = {kPaneMargin, kPaneMargin, at_least_zero(client_width - 2 * kPaneMargin), kPanelHeight};
    layout.img_icon = {0, 0, kIconSize, kPanelHeight};

    // The label keeps margins of 8 left and right and 8 below inside the panel.
    const int label_left = (icon_visible ? kIconSize : 0) + kPaneMargin;
    layout.lbl_title = {label_left, 0, at_least_zero(layout.Panel1.width - label_left - kPaneMargin),
                        kPanelHeight - kPaneMargin};

    const int preview_top = kPaneMargin + kPanelHeight + 2 * kPaneMargin;
    layout.img_preview = {kPaneMargin, preview_top, at_least_zero(client_width - 2 * kPaneMargin),
                          at_least_zero(client_height - preview_top - kPaneMargin)};
    return layout;
}

}  // namespace tamsel
