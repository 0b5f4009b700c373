#include "capture_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tamsel {
namespace {

struct ViewCase {
    const char* name;
    ViewRect view;
    std::optional<PictureSize> expected;
};

TEST(CaptureSizeForView, FollowsTheWidthCapAndTheThreeQuarterHeightCap) {
    const ViewCase cases[] = {
        {"wide view capped at 512 x 384", {0, 0, 1000, 600}, PictureSize{512, 384}},
        {"small view kept", {0, 0, 400, 200}, PictureSize{400, 200}},
        {"tall view cut at 3/4 of its width", {0, 0, 300, 500}, PictureSize{300, 225}},
        {"offset origin and negative coordinates", {-1200, -50, -200, 550}, PictureSize{512, 384}},
        {"exactly 512 wide, exactly 3/4 high", {10, 10, 522, 394}, PictureSize{512, 384}},
        {"3/4 rounds down", {0, 0, 5, 100}, PictureSize{5, 3}},
        {"one pixel high", {0, 0, 800, 1}, PictureSize{512, 1}},
        {"zero width", {100, 100, 100, 400}, std::nullopt},
        {"zero height", {100, 100, 400, 100}, std::nullopt},
        {"all zero (host without get_view_rect)", {0, 0, 0, 0}, std::nullopt},
        {"one pixel wide leaves no height", {0, 0, 1, 100}, std::nullopt},
        {"right left of left", {400, 0, 100, 300}, std::nullopt},
        {"bottom above top", {0, 300, 400, 100}, std::nullopt},
        {"both inverted", {400, 300, 0, 0}, std::nullopt},
        {"whole 32-bit range", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, PictureSize{512, 384}},
        {"inverted across the whole range", {INT_MAX, 0, INT_MIN, 100}, std::nullopt},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PictureSize> size = CaptureSizeForView(c.view);
        ASSERT_EQ(size.has_value(), c.expected.has_value());
        if (!size) continue;
        EXPECT_EQ(size->width, c.expected->width);
        EXPECT_EQ(size->height, c.expected->height);
        EXPECT_LE(size->height * 4, size->width * 3);
    }
}

TEST(BitmapRowStride, PadsThreeBytesPerPixelToFour) {
    EXPECT_EQ(BitmapRowStride(1), 4u);
    EXPECT_EQ(BitmapRowStride(4), 12u);
    EXPECT_EQ(BitmapRowStride(5), 16u);
    EXPECT_EQ(BitmapRowStride(512), 1536u);
}

// Every pixel distinct, so a wrong row, column or channel shows.
std::vector<std::uint8_t> NumberedRender(PictureSize size) {
    std::vector<std::uint8_t> render(static_cast<std::size_t>(size.width) * size.height * 3);
    for (std::size_t i = 0; i < render.size(); ++i) render[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return render;
}

TEST(FlipRenderRowsToBitmap, PutsTheBottomRowLastAndSwapsRedAndBlue) {
    for (const PictureSize size : {PictureSize{1, 1}, PictureSize{3, 2}, PictureSize{5, 4}, PictureSize{4, 3}}) {
        SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
        const std::vector<std::uint8_t> render = NumberedRender(size);
        const std::size_t stride = BitmapRowStride(size.width);
        std::vector<std::uint8_t> bitmap(stride * size.height, 0xEE);
        FlipRenderRowsToBitmap(render.data(), size, bitmap.data(), stride);

        for (int i = 0; i < size.height; ++i) {
            const std::uint8_t* row = bitmap.data() + (size.height - 1 - i) * stride;
            for (int j = 0; j < size.width; ++j) {
                const std::uint8_t* rgb = render.data() + (static_cast<std::size_t>(i) * size.width + j) * 3;
                EXPECT_EQ(row[j * 3 + 0], rgb[2]) << "blue of render row " << i << " pixel " << j;
                EXPECT_EQ(row[j * 3 + 1], rgb[1]) << "green of render row " << i << " pixel " << j;
                EXPECT_EQ(row[j * 3 + 2], rgb[0]) << "red of render row " << i << " pixel " << j;
            }
            for (std::size_t pad = size.width * 3u; pad < stride; ++pad) EXPECT_EQ(row[pad], 0xEE);
        }
    }
}

}  // namespace
}  // namespace tamsel
