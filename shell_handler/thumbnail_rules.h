// The size of a thumbnail, without Windows headers, so that the rule builds
// and is tested on its own.
#pragma once

namespace tamsel {

struct ThumbnailSize {
    int width = 0;
    int height = 0;

    friend bool operator==(const ThumbnailSize& a, const ThumbnailSize& b) {
        return a.width == b.width && a.height == b.height;
    }
};

// A picture of width x height fitted into a square of `side`, its aspect kept:
// the longer side becomes `side` when it is longer than that, the shorter one
// is rounded to the nearest pixel but never below 1; a picture that fits keeps
// its own size (thumbnails are never enlarged). {0, 0} when a size is not positive.
ThumbnailSize FitThumbnail(int width, int height, int side);

}  // namespace tamsel
