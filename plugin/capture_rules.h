// Pure rules of the preview capture: how big a picture the view gives and how
// the rendered rows become bitmap rows. Portable code: no Windows headers, so
// it also builds natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "picture_fit.h"

namespace tamsel {

inline constexpr std::int32_t kMaxPreviewWidth = 512;

// The view's rectangle in screen coordinates, as the host reports it.
struct ViewRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The capture size for a view: its width capped at 512, its height capped at
// three quarters of that capped width. Nothing for an empty or inverted view,
// or when the capped height comes out as 0.
std::optional<PictureSize> CaptureSizeForView(const ViewRect& view);

// Bytes per row of a 24-bit bitmap: three per pixel, padded to four.
std::size_t BitmapRowStride(std::int32_t width);

// Turns the host's render buffer (rows bottom to top, each pixel red, green,
// blue, rows packed) into top-down rows of blue, green, red bytes, `stride`
// bytes apart: the memory layout of a 24-bit bitmap. Padding bytes are left.
void FlipRenderRowsToBitmap(const std::uint8_t* render_rgb, PictureSize size,
                            std::uint8_t* bitmap_bgr, std::size_t stride);

}  // namespace tamsel
