// Rules of the preview pane that need no window: the texts file, the module
// folder and the layout of the controls.
// Portable C++17 without Windows headers, so the rules also build natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tamsel {

inline constexpr char16_t kBuiltInTitle[] = u"Kelvarrion Tamsel";
inline constexpr char16_t kBuiltInHint[] = u"To generate preview please open this file in Kelvarrion first.";
inline constexpr char16_t kTextsFileName[] = u"handler.dat";

struct PaneTexts {
    std::u16string title;
    std::u16string hint;
};

// The two texts of handler.dat's bytes (UTF-16LE, optional FF FE mark), or
// nothing unless the text has exactly two lines.
std::optional<PaneTexts> ParseTextsFile(const std::uint8_t* bytes, std::size_t size);

// The folder of a module file, ending in a backslash; empty for an empty path.
std::u16string ModuleFolder(const std::u16string& module_path);

struct PaneBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const PaneBox& a, const PaneBox& b) {
        return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    }
};

// Where the controls lie for a client area of the given size. Panel1 and
// img_preview are in client coordinates, img_icon and lbl_title in Panel1's.
// Sizes that would come out negative on a tiny pane are 0.
struct PaneLayout {
    PaneBox Panel1;
    PaneBox img_icon;
    PaneBox lbl_title;
    PaneBox img_preview;
};

inline constexpr int kPaneMargin = 8;
inline constexpr int kPanelHeight = 65;
inline constexpr int kIconSize = 48;

PaneLayout LayOutPane(int client_width, int client_height, bool icon_visible);

}  // namespace tamsel
