#include "capture_rules.h"

#include <algorithm>

namespace tamsel {

std::optional<PictureSize> CaptureSizeForView(const ViewRect& view) {
    // 64-bit differences: a view spanning the whole 32-bit range must not wrap.
    const std::int64_t view_width = std::int64_t{view.right} - view.left;
    const std::int64_t view_height = std::int64_t{view.bottom} - view.top;
    if (view_width <= 0 || view_height <= 0) return std::nullopt;

    const std::int64_t width = std::min<std::int64_t>(view_width, kMaxPreviewWidth);
    const std::int64_t height = std::min(view_height, width * 3 / 4);
    if (height == 0) return std::nullopt;
    return PictureSize{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

std::size_t BitmapRowStride(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

void FlipRenderRowsToBitmap(const std::uint8_t* render_rgb, PictureSize size,
                            std::uint8_t* bitmap_bgr, std::size_t stride) {
    const std::size_t row_bytes = static_cast<std::size_t>(size.width) * 3;
    for (std::int32_t i = 0; i < size.height; ++i) {
        const std::uint8_t* source = render_rgb + static_cast<std::size_t>(i) * row_bytes;
        std::uint8_t* target = bitmap_bgr + static_cast<std::size_t>(size.height - 1 - i) * stride;
        for (std::size_t j = 0; j < row_bytes; j += 3) {
            target[j] = source[j + 2];
            target[j + 1] = source[j + 1];
            target[j + 2] = source[j];
        }
    }
}

}  // namespace tamsel
