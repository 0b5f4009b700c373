// The size of a thumbnail, without Windows headers, so that the rule builds
// and is tested on its own.
#pragma once

#include <algorithm>

#include "picture_fit.h"

namespace tamsel {

// A picture of width x height fitted into a square of `side`, its aspect kept:
// the longer side becomes `side` when it is longer than that, the shorter one
// is rounded to the nearest pixel but never below 1; a picture that fits keeps
// its own size (thumbnails are never enlarged). {0, 0} when a size is not positive.
inline PictureSize FitThumbnail(int width, int height, int side) {
    const int square = std::min(side, std::max(width, height));
    return FitPicture({width, height}, {square, square}, kThumbnailFitRules);
}

}  // namespace tamsel
