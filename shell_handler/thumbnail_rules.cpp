#include "thumbnail_rules.h"

#include <algorithm>
#include <cstdint>

namespace tamsel {

namespace {

// long_side > side > 0 and short_side <= long_side, so the result lies in 1..side.
int ScaledShortSide(int short_side, int long_side, int side) {
    const std::int64_t scaled = (std::int64_t{short_side} * side + long_side / 2) / long_side;
    return static_cast<int>(std::max<std::int64_t>(1, scaled));
}

}  // namespace

ThumbnailSize FitThumbnail(int width, int height, int side) {
    if (width <= 0 || height <= 0 || side <= 0) return {};
    if (width <= side && height <= side) return {width, height};
    if (width >= height) return {side, ScaledShortSide(height, width, side)};
    return {ScaledShortSide(width, height, side), side};
}

}  // namespace tamsel
