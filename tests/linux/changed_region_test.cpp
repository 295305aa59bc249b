#include "linux/changed_region.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace lumora::linux_desktop {
namespace {

// Boxes anywhere, some over the edges or wholly off the surface; the region
// must be one the server can take unsorted-free, and hold every changed pixel
// of the surface and nothing far from one.
TEST(BandedRegionTest, IsBandedAndCoversExactlyTheChangedPixelsRoundedToItsGrid) {
    constexpr int kWidth = 101;
    constexpr int kHeight = 53;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(-10, kWidth + 5), y(-10, kHeight + 5), size(0, 12);
    BandedRegion region;
    for (int round = 0; round < 200; ++round) {
        region.Reset(kWidth, kHeight);
        std::vector<Rect> boxes;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) {
            const int left = x(random);
            const int top = y(random);
            boxes.push_back(Rect{left, top, left + size(random), top + size(random)});
        }
        std::vector<int> wanted(kWidth * kHeight, 0); // 1 changed, 2 within the grid's rounding of a change
        std::vector<int> covered(kWidth * kHeight, 0);
        const auto at = [](std::vector<int>& pixels, int px, int py) -> int& {
            return pixels[static_cast<std::size_t>(py * kWidth + px)];
        };
        for (const Rect& b : boxes)
            for (int py = std::max(b.top, 0); py < std::min(b.bottom, kHeight); ++py)
                for (int px = std::max(b.left, 0); px < std::min(b.right, kWidth); ++px) {
                    at(wanted, px, py) = 1;
                    for (int gy = py / BandedRegion::kBandRows * BandedRegion::kBandRows;
                         gy < std::min(kHeight, (py / BandedRegion::kBandRows + 1) * BandedRegion::kBandRows); ++gy)
                        for (int gx = px / BandedRegion::kColumnPixels * BandedRegion::kColumnPixels;
                             gx < std::min(kWidth, (px / BandedRegion::kColumnPixels + 1) * BandedRegion::kColumnPixels); ++gx)
                            if (at(wanted, gx, gy) == 0) at(wanted, gx, gy) = 2;
                }
        const Rect* previous = nullptr;
        for (const Rect& r : region.Build(boxes)) {
            ASSERT_TRUE(r.left >= 0 && r.left < r.right && r.right <= kWidth);
            ASSERT_EQ(r.top % BandedRegion::kBandRows, 0);
            ASSERT_EQ(r.bottom, std::min(r.top + BandedRegion::kBandRows, kHeight));
            if (previous != nullptr) {
                ASSERT_GE(r.top, previous->top);
                if (r.top == previous->top) {
                    ASSERT_GT(r.left, previous->right) << "apart, left to right";
                }
            }
            previous = &r;
            for (int py = r.top; py < r.bottom; ++py)
                for (int px = r.left; px < r.right; ++px) ++at(covered, px, py);
        }
        for (std::size_t i = 0; i < covered.size(); ++i) {
            ASSERT_LE(covered[i], 1) << "pixel " << i << " twice";
            if (wanted[i] == 1) {
                ASSERT_EQ(covered[i], 1) << "changed pixel " << i << " left out";
            }
            if (wanted[i] == 0) {
                ASSERT_EQ(covered[i], 0) << "pixel " << i << " copied for nothing";
            }
        }
    }
}

} // namespace
} // namespace lumora::linux_desktop
