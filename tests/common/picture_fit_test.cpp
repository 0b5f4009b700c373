#include "picture_fit.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

// Every case under both callers' rules: most agree, the last rows show where
// the pane's and the dialog's rounding part.
TEST(FitPicture, PaneAndDialogRules) {
    const struct {
        const char* label;
        PictureSize picture, box, pane, dialog;
    } cases[] = {
        {"wide picture, tall box: full width", {400, 200}, {350, 325}, {350, 175}, {350, 175}},
        {"wide picture, wider box: full width", {400, 200}, {200, 150}, {200, 100}, {200, 100}},
        {"wide picture, wide box: full height", {400, 200}, {784, 103}, {206, 103}, {206, 103}},
        {"tall picture, wide box: full height", {200, 400}, {784, 103}, {51, 103}, {51, 103}},
        {"tall picture, box of the preview's shape", {100, 300}, {200, 150}, {50, 150}, {50, 150}},
        {"tall picture, narrow box: full width", {100, 400}, {50, 325}, {50, 200}, {50, 200}},
        {"square picture enlarged", {10, 10}, {300, 300}, {300, 300}, {300, 300}},
        {"square picture in a wide box", {10, 10}, {300, 100}, {100, 100}, {100, 100}},
        {"square picture in a tall box", {10, 10}, {100, 300}, {100, 100}, {100, 100}},
        {"square picture in the preview's shape", {10, 10}, {200, 150}, {150, 150}, {150, 150}},
        {"same proportions, reduced", {512, 384}, {200, 150}, {200, 150}, {200, 150}},
        {"same proportions, not a multiple", {300, 225}, {200, 150}, {200, 150}, {200, 150}},
        {"truncation, width first", {3, 2}, {100, 100}, {100, 66}, {100, 66}},
        {"truncation, height first", {2, 3}, {100, 100}, {66, 100}, {66, 100}},
        {"truncation after the cap", {1000, 999}, {10, 5}, {5, 5}, {5, 5}},
        {"large products do not overflow", {16384, 16000}, {200000, 200000}, {200000, 195312}, {200000, 195312}},
        {"empty box", {400, 200}, {0, 0}, {0, 0}, {0, 0}},
        {"box without height, tall picture", {200, 400}, {350, 0}, {0, 0}, {0, 0}},
        {"box without width", {10, 10}, {0, 150}, {0, 0}, {0, 0}},
        {"negative box taken as empty", {10, 10}, {-4, -9}, {0, 0}, {0, 0}},
        // Where the two differ.
        {"zero width picture", {0, 10}, {350, 325}, {350, 325}, {0, 0}},
        {"zero height picture", {10, 0}, {350, 325}, {350, 325}, {0, 0}},
        {"thin picture", {512, 1}, {200, 150}, {200, 0}, {200, 1}},
        {"box without height, thin picture", {1000, 1}, {350, 0}, {350, 0}, {0, 0}},
        {"wide picture whose truncated height just fits", {3, 2}, {100, 66}, {100, 66}, {99, 66}},
        {"tall picture whose truncated width just fits", {2, 3}, {66, 100}, {66, 100}, {66, 99}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitPicture(c.picture, c.box, kPaneFitRules), c.pane) << "pane: " << c.label;
        EXPECT_EQ(FitPicture(c.picture, c.box, kDialogFitRules), c.dialog) << "dialog: " << c.label;
    }
}

}  // namespace
}  // namespace tamsel
