#include "display/shower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <utility>

#include "tests/support/memory_surface.h"

namespace lumora {
namespace {

constexpr std::uint32_t kWhitePixel = 0xFFFFFF;

// Hands out the draws a test scripts, then a fixed value.
class ScriptedRandom final : public RandomSource {
public:
    std::deque<float> draws;
    float fallback = 0.5f;
    std::vector<double> seeds;

    void Seed(double seed) override { seeds.push_back(seed); }
    float Next() override {
        if (draws.empty()) return fallback;
        float u = draws.front();
        draws.pop_front();
        return u;
    }
};

// The shower alone: a surface in plain memory, no platform at all.
class ShowerTest : public ::testing::Test {
protected:
    // A shower of `stars` stars a field, laid out on one monitor of this size.
    Shower& Lay(int w = 1024, int h = 768, int stars = Shower::kDefaultStars) {
        return LayOn(w, h, {{0, 0, w, h}}, stars);
    }
    Shower& LayOn(int w, int h, const std::vector<Rect>& fields, int stars = Shower::kDefaultStars) {
        shower = std::make_unique<Shower>(random, stars);
        shower->LayOut(surface.Resize(w, h), fields);
        return *shower;
    }

    // Puts one star where a building frame would, for the offset from the radiant given.
    const Star& BuildOneStar(float u1, float u2, std::vector<float> colours = {0.5f, 0.5f, 0.5f}) {
        Lay(1024, 1024, 1);
        random.draws = {u1, u2};
        random.draws.insert(random.draws.end(), colours.begin(), colours.end());
        shower->Frame();
        return shower->Fields()[0].stars[0];
    }

    // A shower of these stars on 1024x768, its building frame behind it.
    void WithStars(std::vector<Star> stars) {
        Lay(1024, 768, static_cast<int>(stars.size()));
        shower->PlaceStars(std::move(stars));
    }
    const std::vector<Star>& Stars() const { return shower->Fields()[0].stars; }

    ScriptedRandom random;
    fake::MemorySurface surface;
    std::unique_ptr<Shower> shower;
};

TEST_F(ShowerTest, SeedingReadsTheClockOnceAndThenOneToElevenTimesMore) {
    for (auto [u, rounds] : {std::pair{0.0f, 1}, {0.5f, 6}, {0.95f, 10}, {0.99999994f, 11}}) {
        std::uint32_t tick = 1000;
        random.seeds.clear();
        random.draws = {u};
        Lay().Seed([&tick] { return tick++; });
        ASSERT_EQ(random.seeds.size(), static_cast<std::size_t>(rounds) + 1) << u;
        EXPECT_EQ(random.seeds.front(), 1000.0);
        EXPECT_EQ(random.seeds.back(), 1000.0 + rounds);
    }
    EXPECT_EQ(Stars().size(), 1000u);
    EXPECT_EQ(shower->Fields()[0].radiantX, 512); // whole pixels: the middle, rounded down
    EXPECT_EQ(Lay(1023, 767).Fields()[0].radiantY, 383);
}

TEST_F(ShowerTest, BuildingStepsRelateEachAxisToTheOther) {
    struct Case { float u1, u2; double dx, dy, x, y; };
    // Radiant (512, 512) on 1024 x 1024; u x 1024 is exact in single precision.
    const Case cases[] = {
        {612 / 1024.0f, 612 / 1024.0f, 1, 1, 612, 612},              // offset (100, 100)
        {212 / 1024.0f, 612 / 1024.0f, -3, 1.0 / 3, 212, 612},       // offset (-300, 100)
        {512 / 1024.0f, 562 / 1024.0f, 0.02, 50, 513, 562},          // offset (0, 50)
        {412 / 1024.0f, 512 / 1024.0f, -100, 0.01, 412, 513},        // offset (-100, 0)
    };
    for (const Case& c : cases) {
        const Star& star = BuildOneStar(c.u1, c.u2);
        EXPECT_DOUBLE_EQ(star.dx, c.dx) << c.u1;
        EXPECT_DOUBLE_EQ(star.dy, c.dy) << c.u1;
        EXPECT_EQ(star.x, c.x);
        EXPECT_EQ(star.y, c.y);
    }
}

TEST_F(ShowerTest, FirstColoursAreLightAndAPlusIsDrawnWithAWhiteCore) {
    EXPECT_EQ(BuildOneStar(612 / 1024.0f, 612 / 1024.0f, {0.0f, 0.5f, 0.99999994f}).color,
              128 + 256 * 192 + 65536 * 255);
    EXPECT_EQ(surface.At(612, 612), kWhitePixel);
    const std::uint32_t arm = 0x80C0FF; // red 128, green 192, blue 255 as the bitmap holds it
    EXPECT_EQ(surface.At(613, 612), arm);
    EXPECT_EQ(surface.At(611, 612), arm);
    EXPECT_EQ(surface.At(612, 611), arm);
    EXPECT_EQ(surface.At(612, 613), arm);
    EXPECT_EQ(surface.At(613, 613), 0u);
}

TEST_F(ShowerTest, RealStarsKeepTheirStepsReciprocalAndTheFirstFrameMovesNothing) {
    Random generator;
    Shower real(generator);
    real.LayOut(surface.Resize(1024, 768), {{0, 0, 1024, 768}});
    real.Frame();
    const std::vector<Star> built = real.Fields()[0].stars;
    real.Frame();
    for (std::size_t i = 0; i < built.size(); ++i) {
        const Star& star = real.Fields()[0].stars[i];
        EXPECT_NEAR(std::fabs(star.dx) * std::fabs(star.dy), 1.0, 1e-9);
        // The building frame placed the star; the next one moved it one step on,
        // or back to the radiant when that step left the screen.
        if (star.x != built[i].x + built[i].dx) {
            EXPECT_EQ(star.x, real.Fields()[0].radiantX) << i;
        }
    }
    for (int frame = 0; frame < 500; ++frame) real.Frame();
    EXPECT_TRUE(surface.GuardIntact());
}

TEST_F(ShowerTest, StarsOnTheMarginStayAndBeyondItStartAgainAtTheRadiant) {
    WithStars({
        Star{-4, 100, 0xFF, -1, 0},        // reaches X = -5: stays
        Star{100, 772, 0xFF, 0, 1},        // reaches Y = H + 5: stays
        Star{-4.5, 100, 0xFF, -0.5001, 0}, // just beyond: starts again
        Star{1029, 100, 0xFF, 1, 2},       // X > W + 5
    });
    random.draws = {0.0f, 0.5f, 0.99999994f, 0.25f, 0.25f, 0.25f};
    shower->Frame();
    const std::vector<Star>& stars = Stars();
    EXPECT_EQ(stars[0].x, -5);
    EXPECT_EQ(stars[1].y, 773);
    EXPECT_EQ(stars[2].x, 512);
    EXPECT_EQ(stars[2].y, 384);
    EXPECT_EQ(stars[2].color, 0 + 256 * 128 + 65536 * 255); // a 256 counts as 255
    EXPECT_EQ(stars[2].dx, -0.5001);                      // the direction stays
    EXPECT_EQ(stars[3].x, 512);
    EXPECT_EQ(stars[3].color, 64 + 256 * 64 + 65536 * 64);
    EXPECT_TRUE(surface.GuardIntact());
}

TEST_F(ShowerTest, AStarWhoseOneStepLeavesTheScreenFlickersAtTheRadiant) {
    WithStars({Star{512, 384, 0xFFFFFF, 600, 1.0 / 600}});
    random.fallback = 0.0f;
    for (int frame = 0; frame < 3; ++frame) {
        random.draws = {0.1f * static_cast<float>(frame + 1), 0.0f, 0.0f};
        shower->Frame();
        EXPECT_EQ(Stars()[0].x, 512);
        EXPECT_EQ(surface.At(512, 384), kWhitePixel);
        EXPECT_EQ(Stars()[0].color, std::lround(25.6 * (frame + 1)));
    }
}

TEST_F(ShowerTest, ErasingALaterStarBlackensAnEarlierOneDrawnUnderIt) {
    WithStars({
        Star{10, 10, 0x0000FF, 1, 1},    // moves onto (11, 11)
        Star{11, 11, 0x00FF00, 10, 0.1}, // erased at (11, 11)
    });
    shower->PlotStar(11, 11, 0x00FF00, 0xFFFFFF);
    shower->Frame();
    EXPECT_EQ(surface.At(11, 11), 0u);
    EXPECT_EQ(surface.At(12, 11), 0u);
    EXPECT_EQ(surface.At(21, 11), kWhitePixel); // star 2, drawn where it went
}

TEST_F(ShowerTest, TinySurfacesNeverWriteOutsideTheirPixels) {
    Random real;
    for (auto [w, h] : {std::pair{1, 1}, {2, 1}, {1, 3}, {3, 3}, {0, 0}}) {
        Shower tiny(real);
        tiny.LayOut(surface.Resize(w, h), {{0, 0, w, h}});
        for (int frame = 0; frame < 200; ++frame) {
            tiny.Frame();
            if (frame % 50 == 0) tiny.JumpRadiant(frame);
        }
        EXPECT_TRUE(surface.GuardIntact()) << w << 'x' << h;
    }
}

TEST_F(ShowerTest, TheRadiantJumpsWithinTheMiddleBand) {
    Lay();
    random.draws = {0.0f, 0.0f};
    shower->JumpRadiant(3600.5);
    EXPECT_EQ(shower->Fields()[0].radiantX, 204);
    EXPECT_EQ(shower->Fields()[0].radiantY, 153);
    EXPECT_EQ(random.seeds.back(), static_cast<double>(3600.5f));
    random.draws = {0.99999994f, 0.99999994f};
    shower->JumpRadiant(3600.5);
    EXPECT_EQ(shower->Fields()[0].radiantX, 820);
    EXPECT_EQ(shower->Fields()[0].radiantY, 615);
}

TEST_F(ShowerTest, EveryMonitorHasItsOwnShowerAndTheGapsStayBlack) {
    // A 1024x768 primary and an 800x600 monitor to its left, on one surface.
    Random real;
    Shower both(real);
    both.LayOut(surface.Resize(1824, 768), {{800, 0, 1824, 768}, {0, 0, 800, 600}});
    ASSERT_EQ(both.Fields().size(), 2u);
    const StarField& primary = both.Fields()[0];
    const StarField& left = both.Fields()[1];
    // The primary monitor exactly as it would be alone; the other by the same rules.
    EXPECT_EQ(primary.place, (Rect{800, 0, 1824, 768}));
    EXPECT_EQ(primary.width, 1024);
    EXPECT_EQ(primary.radiantX, 512);
    EXPECT_EQ(primary.stars.size(), 1000u);
    EXPECT_EQ(left.place, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(left.radiantX, 400);
    EXPECT_EQ(left.radiantY, 300);
    EXPECT_EQ(left.stars.size(), 1000u);
    EXPECT_EQ(both.Areas(), (std::vector<Rect>{primary.place, left.place}));

    for (int frame = 0; frame < 300; ++frame) {
        both.Frame();
        if (frame % 100 == 0) both.JumpRadiant(frame);
    }
    EXPECT_TRUE(surface.GuardIntact());
    // Stars on both monitors, none below the smaller one.
    EXPECT_GT(surface.Lit({800, 0, 1824, 768}), 1000);
    EXPECT_GT(surface.Lit({0, 0, 800, 600}), 1000);
    EXPECT_EQ(surface.Lit({0, 600, 800, 768}), 0);
    // Each radiant jumps within the middle band of its own monitor.
    EXPECT_GE(left.radiantX, 160);
    EXPECT_LE(left.radiantX, 640);
    EXPECT_GE(primary.radiantX, 204);
    EXPECT_LE(primary.radiantX, 820);

    // The same monitor in a program of its own, told where it stands among
    // the monitors, jumps where the shower over all of them puts it.
    Random alone;
    Shower second(alone);
    second.LayOut(surface.Resize(800, 600), {{0, 0, 800, 600}}, 1);
    both.JumpRadiant(4321.25);
    second.JumpRadiant(4321.25);
    EXPECT_EQ(second.Fields()[0].radiantX, left.radiantX);
    EXPECT_EQ(second.Fields()[0].radiantY, left.radiantY);
}

TEST_F(ShowerTest, FieldsOnSurfacesApartDrawAndListWhatOneSurfaceSideBySideWould) {
    // Two monitors in buffers of their own, against one surface holding both in a row.
    std::vector<std::uint32_t> left(300 * 200), right(200 * 240);
    Random apartRandom;
    Shower apart(apartRandom);
    apart.LayOutApart({PixelView{left.data(), 300, 200, 300}, PixelView{right.data(), 200, 240, 200}});
    Random rowRandom;
    Shower row(rowRandom);
    const PixelView both = surface.Resize(500, 240);
    row.LayOut(both, {{0, 0, 300, 200}, {300, 0, 500, 240}});
    std::vector<Rect> apartChanged, rowChanged;
    for (int frame = 0; frame < 50; ++frame) {
        apart.Frame(&apartChanged);
        row.Frame(&rowChanged);
    }
    EXPECT_EQ(apartChanged, rowChanged);
    EXPECT_EQ(apart.Areas(), row.Areas());
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 500; ++x) {
            const auto at = [](int line, int column, int width) { return static_cast<std::size_t>(line * width + column); };
            const std::uint32_t expected = x < 300 ? (y < 200 ? left[at(y, x, 300)] : 0u) : right[at(y, x - 300, 200)];
            ASSERT_EQ(both.bits[y * both.stride + x], expected) << x << "," << y;
        }
}

TEST_F(ShowerTest, AChangeOfMonitorsLaysTheShowerAnew) {
    Random real;
    Shower changing(real);
    changing.LayOut(surface.Resize(1024, 768), {{0, 0, 1024, 768}});
    changing.Frame();
    changing.LayOut(surface.Resize(2304, 1024), {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}});
    ASSERT_EQ(changing.Fields().size(), 2u);
    EXPECT_EQ(changing.Fields()[1].place, (Rect{1024, 0, 2304, 1024}));
    EXPECT_TRUE(changing.Fields()[1].building);
    for (int frame = 0; frame < 50; ++frame) changing.Frame();
    EXPECT_TRUE(surface.GuardIntact());
    // Back to one, and to none at all: still no write outside the surface.
    changing.LayOut(surface.Resize(640, 480), {{0, 0, 640, 480}});
    changing.Frame();
    changing.LayOut(surface.Resize(0, 0), {});
    changing.Frame();
    changing.JumpRadiant(1);
    EXPECT_TRUE(surface.GuardIntact());
    // A monitor reported beyond the surface draws only what lies inside.
    changing.LayOut(surface.Resize(300, 200), {{0, 0, 300, 200}, {250, 150, 650, 450}});
    for (int frame = 0; frame < 100; ++frame) changing.Frame();
    EXPECT_TRUE(surface.GuardIntact());
}

} // namespace
} // namespace lumora
