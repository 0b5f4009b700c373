// The capture rules for any view rectangle (inverted, empty, spanning the whole
// 32-bit range), the row flip pixel by pixel on small pictures, and the
// dialog's fitting for any sizes. Input record: view left, top, right, bottom
// (int32 LE); flip width, height and pattern bytes; picture width and height,
// box width and height (int32 LE).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "capture_rules.h"
#include "fuzz_input.h"

namespace {

using tamsel::PictureSize;

// Width capped at 512, height at the view's and at three quarters of the
// capped width; nothing when the view has no positive extent or the height
// comes out as 0.
void CheckCaptureSize(const tamsel::ViewRect& view) {
    const std::optional<PictureSize> size = tamsel::CaptureSizeForView(view);
    const std::int64_t view_width = std::int64_t{view.right} - view.left;
    const std::int64_t view_height = std::int64_t{view.bottom} - view.top;
    if (view_width <= 0 || view_height <= 0) {
        if (size) std::abort();
        return;
    }
    const std::int64_t width = view_width < 512 ? view_width : 512;
    const std::int64_t height = view_height < width * 3 / 4 ? view_height : width * 3 / 4;
    if (height == 0) {
        if (size) std::abort();
        return;
    }
    if (!size || size->width != width || size->height != height) std::abort();
}

// Every pixel of render row i lands in bitmap row height - 1 - i with its
// bytes reversed; padding stays untouched and nothing outside the buffers is
// touched (exact-size buffers under AddressSanitizer).
void CheckFlip(std::int32_t width, std::int32_t height, std::uint8_t pattern) {
    const std::size_t stride = tamsel::BitmapRowStride(width);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
    if (stride % 4 != 0 || stride < row_bytes || stride >= row_bytes + 4) std::abort();

    // At most 9 x 9 x 3 bytes, so every render byte differs from every other.
    std::vector<std::uint8_t> render(row_bytes * height);
    for (std::size_t k = 0; k < render.size(); ++k) render[k] = static_cast<std::uint8_t>(k + pattern);
    constexpr std::uint8_t kUntouched = 0xA5;
    std::vector<std::uint8_t> bitmap(stride * height, kUntouched);
    tamsel::FlipRenderRowsToBitmap(render.data(), {width, height}, bitmap.data(), stride);

    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* target = bitmap.data() + row * stride;
        const std::uint8_t* source = render.data() + (height - 1 - row) * row_bytes;
        for (std::size_t j = 0; j < row_bytes; j += 3) {
            if (target[j] != source[j + 2] || target[j + 1] != source[j + 1] || target[j + 2] != source[j]) std::abort();
        }
        for (std::size_t pad = row_bytes; pad < stride; ++pad)
            if (target[pad] != kUntouched) std::abort();
    }
}

// Fills the box's width or its height, the other side proportional (at least
// one pixel), never outside the box; {0, 0} when either is empty.
void CheckDialogFit(PictureSize picture, PictureSize box) {
    const PictureSize drawn = tamsel::FitPicture(picture, box, tamsel::kDialogFitRules);
    if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) {
        if (drawn.width != 0 || drawn.height != 0) std::abort();
        return;
    }
    if (drawn.width < 1 || drawn.height < 1 || drawn.width > box.width || drawn.height > box.height) std::abort();
    const std::int64_t pw = picture.width, ph = picture.height;
    const auto at_least_one = [](std::int64_t v) { return v < 1 ? 1 : v; };
    const bool height_follows_width = drawn.width == box.width && drawn.height == at_least_one(drawn.width * ph / pw);
    const bool width_follows_height = drawn.height == box.height && drawn.width == at_least_one(drawn.height * pw / ph);
    if (!height_follows_width && !width_follows_height) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    tamsel::ViewRect view;
    view.left = input.Int32();
    view.top = input.Int32();
    view.right = input.Int32();
    view.bottom = input.Int32();
    CheckCaptureSize(view);

    const std::int32_t flip_width = 1 + input.Byte() % 9;
    const std::int32_t flip_height = 1 + input.Byte() % 9;
    CheckFlip(flip_width, flip_height, input.Byte());

    PictureSize picture, box;
    picture.width = input.Int32();
    picture.height = input.Int32();
    box.width = input.Int32();
    box.height = input.Int32();
    CheckDialogFit(picture, box);
    return 0;
}
