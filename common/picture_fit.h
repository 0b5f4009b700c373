// Fitting a picture into a box: proportional, enlarged or reduced. The preview
// pane, the plugin's dialog and the thumbnails share the one rule and differ
// only in how they round its edge cases, each naming its choices below. Portable: no Windows
// headers, so it also builds natively.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tamsel {

struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;

    friend bool operator==(const PictureSize& a, const PictureSize& b) {
        return a.width == b.width && a.height == b.height;
    }
};

struct FitRules {
    // Which side fills the box. True: a wide picture's width, a tall or square
    // one's height, whenever the other side, truncated, then fits. False: the
    // side that the exact proportions pick.
    bool longer_side_first = false;
    // An empty picture (a side not positive) covers the whole box, or nothing.
    bool empty_picture_fills_box = false;
    // The proportional side never truncates to 0 pixels.
    bool at_least_one_pixel = false;
    // The proportional side is rounded to the nearest pixel, not truncated.
    bool round_to_nearest = false;
};

// The pane: a picture of unknown size is stretched over the image area.
inline constexpr FitRules kPaneFitRules{true, true, false};
// The dialog: a thin picture still shows as a line.
inline constexpr FitRules kDialogFitRules{false, false, true};
// Thumbnails: the shorter side as near its exact size as a pixel allows.
inline constexpr FitRules kThumbnailFitRules{false, false, true, true};

// The size at which a picture is drawn into `box` (a negative side taken as 0):
// one side fills the box, the other follows the picture's proportions.
inline PictureSize FitPicture(PictureSize picture, PictureSize box, const FitRules& rules) {
    box = {std::max(box.width, 0), std::max(box.height, 0)};
    if (picture.width <= 0 || picture.height <= 0) return rules.empty_picture_fills_box ? box : PictureSize{};
    // Not even one pixel fits into an empty box.
    if (rules.at_least_one_pixel && (box.width == 0 || box.height == 0)) return {};

    // 64-bit products: a large box times a large picture side overflows 32 bits.
    const std::int64_t pw = picture.width, ph = picture.height, bw = box.width, bh = box.height;
    const std::int64_t height_at_full_width = (bw * ph + (rules.round_to_nearest ? pw / 2 : 0)) / pw;
    const std::int64_t width_at_full_height = (bh * pw + (rules.round_to_nearest ? ph / 2 : 0)) / ph;
    const bool width_fills = rules.longer_side_first
                                 ? (pw > ph ? height_at_full_width <= bh : width_at_full_height > bw)
                                 : pw * bh > ph * bw;
    const auto follow = [&](std::int64_t v) {
        return static_cast<std::int32_t>(rules.at_least_one_pixel ? std::max<std::int64_t>(v, 1) : v);
    };
    if (width_fills) return {box.width, follow(height_at_full_width)};
    return {follow(width_at_full_height), box.height};
}

}  // namespace tamsel
