#include "windows/system/twips.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace lumora::win32 {
namespace {

TEST(Twips, AShowerFieldIsItsMonitorMeasuredThroughWholeTwipsPerPixel) {
    const std::tuple<int, float, int> cases[] = {
        {1023, 15, 1023}, // 96 DPI
        {1280, 12, 1280}, // 120 DPI
        {1920, 9.6f, 1843}, // 150 %: 18432 twips in steps of 10
        {720, 0.3f, 720}, // a scale that rounds to no twips keeps the pixels
    };
    for (const auto& [pixels, twips, field] : cases) EXPECT_EQ(PixelsThroughTwips(pixels, twips), field) << twips;
}

TEST(Twips, ThePreviewsTwipsRoundHalvesToEvenAndThePictureFollowsThePane) {
    // 12.5 and 13.5 twips per pixel make halves: 1 px -> 12 (even), 3 px -> 40.5 -> 40.
    PreviewLayout size = LayOutPreview(Rect{0, 0, 1, 3}, 12.5f, 13.5f);
    EXPECT_EQ(size.widthTwips, 12);
    EXPECT_EQ(size.heightTwips, 40);
    size = LayOutPreview(Rect{0, 0, 3, 1}, 12.5f, 13.5f);
    EXPECT_EQ(size.widthTwips, 38); // 37.5 -> 38
    EXPECT_EQ(size.heightTwips, 14); // 13.5 -> 14

    // Other sizes and shapes: the picture takes the pane's size, whatever its aspect.
    for (auto [w, h] : {std::pair{152, 112}, {300, 100}, {80, 200}, {1, 1}}) {
        size = LayOutPreview(Rect{10, 20, 10 + w, 20 + h}, 15, 15);
        EXPECT_EQ(size.widthTwips, 15 * w);
        EXPECT_FLOAT_EQ(size.pictureWidth, static_cast<float>(w));
        EXPECT_FLOAT_EQ(size.pictureHeight, static_cast<float>(h));
    }
}

TEST(Twips, PanesBeyondSixteenBitsOfTwipsKeepTheirSize) {
    const PreviewLayout size = LayOutPreview(Rect{0, 0, 3840, 2185}, 15, 15);
    EXPECT_EQ(size.widthTwips, 57600);
    EXPECT_EQ(size.heightTwips, 32775);
    EXPECT_FLOAT_EQ(size.pictureWidth, 3840);
    const PreviewLayout huge = LayOutPreview(Rect{-2147483647, 0, 2147483647, 1}, 15, 15);
    EXPECT_EQ(huge.widthTwips, 2147483647); // saturates instead of wrapping
}

TEST(Twips, TheDialogIsCentredAcrossAThirdDownAndNegativeOnSmallScreens) {
    std::int32_t left = 0;
    std::int32_t top = 0;
    PlaceDialog(1024 * 15.0, 768 * 15.0, 467 * 15.0, 250 * 15.0, left, top);
    EXPECT_EQ(left, 4177);
    EXPECT_EQ(top, 2590);
    PlaceDialog(400 * 15.0, 200 * 15.0, 467 * 15.0, 250 * 15.0, left, top);
    EXPECT_EQ(left, -502); // -1005 / 2, cut toward zero
    EXPECT_EQ(top, -250);
}

} // namespace
} // namespace lumora::win32
