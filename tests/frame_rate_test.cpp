#include "display/frame_rate.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora {
namespace {

TEST(FrameRateTest, CountsTheFramesShownAndTheTimeNotSleptOnceASecond) {
    std::int64_t now = 0;
    FrameRate rate([&now] { return now; });
    rate.Waited(900000); // before the first frame: not counted
    rate.Shown();
    for (int frame = 1; frame <= 50; ++frame) {
        now = frame * 20000;
        rate.Waited(5000);
        EXPECT_EQ(rate.Text(), FrameRate::kFirstText) << frame;
        rate.Shown();
    }
    EXPECT_EQ(rate.Text(), "FPS:  50.0\nLoad: 75.0%");
    // A driver that slept more than the time that passed still says no less than none.
    now += 1250000;
    rate.Waited(2000000);
    rate.Shown();
    EXPECT_EQ(rate.Text(), "FPS:  0.8\nLoad: 0.0%");
}

TEST(FrameRateTest, DrawsWhiteOnABlackBoxInTheFieldsBottomLeftCornerAndNowhereElse) {
    constexpr std::uint32_t kGrey = 0x808080;
    std::int64_t now = 0;
    FrameRate rate([&now] { return now; });
    struct Case {
        int width, height;
        Rect field;
    };
    // A screen, a second monitor's field, a preview, and a field larger than its picture.
    for (const Case& c : {Case{1920, 1080, {0, 0, 1920, 1080}}, Case{1600, 600, {800, 0, 1600, 600}},
                          Case{160, 120, {0, 0, 160, 120}}, Case{40, 20, {-10, 0, 60, 30}}}) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(c.width * c.height), kGrey);
        const PixelView picture{pixels.data(), c.width, c.height, c.width};
        const Rect box = rate.Draw(picture, c.field);
        const std::string where = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_LT(box.left, box.right) << where;
        EXPECT_GE(box.left, std::max(c.field.left, 0)) << where;
        EXPECT_LT(box.left - c.field.left, c.field.right - box.right) << where << ": not at the left";
        EXPECT_LE(box.bottom, std::min(c.height, c.field.bottom)) << where;
        int white = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * c.width + x)];
                const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                const bool drawnRight = inside ? pixel == 0 || pixel == 0xFFFFFFu : pixel == kGrey;
                ASSERT_TRUE(drawnRight) << where << " at " << x << "," << y;
                white += pixel == 0xFFFFFFu;
            }
        }
        EXPECT_GT(white, 0) << where;
    }
    // Once the text has been wider, a shorter one still covers it.
    rate.Shown();
    now = 1000000;
    rate.Shown();
    std::vector<std::uint32_t> pixels(1920u * 1080u, kGrey);
    const PixelView picture{pixels.data(), 1920, 1080, 1920};
    const Rect wide = rate.Draw(picture, {0, 0, 1920, 1080});
    for (int frame = 1; frame <= 20000; ++frame) {
        now = 1000000 + frame * 50;
        rate.Shown();
    }
    ASSERT_EQ(rate.Text(), "FPS:  20000.0\nLoad: 100.0%");
    const Rect wider = rate.Draw(picture, {0, 0, 1920, 1080});
    EXPECT_GT(wider.right, wide.right);
    now = 3000000;
    rate.Shown();
    EXPECT_EQ(rate.Draw(picture, {0, 0, 1920, 1080}), wider);
}

} // namespace
} // namespace lumora
