// The pane's layout and the fitting of the stored picture, for any sizes,
// including 0, negative and extreme ones (UndefinedBehaviorSanitizer reports
// signed overflow). Input record: icon flag byte, picture width and height,
// image area left, top, width and height, client width and height (int32 LE).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "pane_rules.h"
#include "picture_fit.h"

namespace {

using tamsel::PaneBox;

void CheckNotNegative(const PaneBox& box) {
    if (box.width < 0 || box.height < 0) std::abort();
}

// One side fills the area exactly, the other is the proportional length
// truncated; both stay inside the area.
void CheckFit(int picture_width, int picture_height, const PaneBox& area) {
    const tamsel::PictureSize drawn =
        tamsel::FitPicture({picture_width, picture_height}, {area.width, area.height}, tamsel::kPaneFitRules);
    const std::int64_t cw = area.width > 0 ? area.width : 0;
    const std::int64_t ch = area.height > 0 ? area.height : 0;
    if (drawn.width < 0 || drawn.height < 0 || drawn.width > cw || drawn.height > ch) std::abort();

    if (picture_width <= 0 || picture_height <= 0) {
        if (drawn.width != cw || drawn.height != ch) std::abort();  // an empty picture covers the area
        return;
    }
    const std::int64_t w = picture_width, h = picture_height, dw = drawn.width, dh = drawn.height;
    if (dw != cw && dh != ch) std::abort();
    // A wide picture fills the width whenever its height then fits, a tall or
    // square one the height whenever its width then fits.
    if (w > h && cw * h / w <= ch && dw != cw) std::abort();
    if (w <= h && ch * w / h <= cw && dh != ch) std::abort();
    const bool height_follows_width = dw == cw && dh == dw * h / w;
    const bool width_follows_height = dh == ch && dw == dh * w / h;
    if (!height_follows_width && !width_follows_height) std::abort();
}

void CheckLayout(int client_width, int client_height, bool icon_visible) {
    const tamsel::PaneLayout layout = tamsel::LayOutPane(client_width, client_height, icon_visible);
    for (const PaneBox& box : {layout.Panel1, layout.img_icon, layout.lbl_title, layout.img_preview})
        CheckNotNegative(box);

    // Fixed places: margins of 8, the panel 65 high, the icon 48 wide.
    const int label_left = icon_visible ? 56 : 8;
    if (!(layout.Panel1 == PaneBox{8, 8, layout.Panel1.width, 65})) std::abort();
    if (!(layout.img_icon == PaneBox{0, 0, 48, 65})) std::abort();
    if (!(layout.lbl_title == PaneBox{label_left, 0, layout.lbl_title.width, 57})) std::abort();
    if (layout.img_preview.left != 8 || layout.img_preview.top != 89) std::abort();

    // Right and bottom margins of 8 wherever the pane has room for them.
    if (client_width >= 16) {
        if (layout.Panel1.width != client_width - 16 || layout.img_preview.width != client_width - 16) std::abort();
    } else if (layout.Panel1.width != 0 || layout.img_preview.width != 0) {
        std::abort();
    }
    const int label_room = layout.Panel1.width - label_left - 8;
    if (layout.lbl_title.width != (label_room > 0 ? label_room : 0)) std::abort();
    const int preview_room = client_height >= 97 ? client_height - 97 : 0;
    if (layout.img_preview.height != preview_room) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool icon_visible = input.Byte() & 1;
    const int picture_width = input.Int32();
    const int picture_height = input.Int32();
    PaneBox area;
    area.left = input.Int32();
    area.top = input.Int32();
    area.width = input.Int32();
    area.height = input.Int32();
    const int client_width = input.Int32();
    const int client_height = input.Int32();

    CheckFit(picture_width, picture_height, area);
    CheckLayout(client_width, client_height, icon_visible);
    // The pane fits the picture into its own image area.
    CheckFit(picture_width, picture_height,
             tamsel::LayOutPane(client_width, client_height, icon_visible).img_preview);
    return 0;
}
