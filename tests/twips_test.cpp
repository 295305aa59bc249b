#include "platform/win32/twips_win32.h"

#include <gtest/gtest.h>

#include <tuple>

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

} // namespace
} // namespace lumora::win32
