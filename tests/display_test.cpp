#include "display/display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <algorithm>
#include <functional>
#include <memory>

#include "platform/fake/fake_platform.h"
#include "platform/fake/stub_display_host.h"

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

using fake::StubDisplayHost;

class DisplayTest : public ::testing::Test {
protected:
    // A display of its own, with the settings, mode and stars given.
    std::unique_ptr<StarDisplay> Make(Settings settings = {}, Mode mode = Mode::Saver,
                                      int stars = StarDisplay::kDefaultStars) {
        return std::make_unique<StarDisplay>(seams, host, random, settings, mode, stars);
    }

    // Starts the display on a screen of this size and forgets its calls.
    void Load(int w = 1024, int h = 768) {
        const float twipsX = host.metrics.twipsPerPixelX;
        const float twipsY = host.metrics.twipsPerPixelY;
        host.metrics = ScreenMetrics::Single(w, h, twipsX, twipsY);
        display->Start();
        fake.calls.clear();
    }

    // Puts one star where a building frame would, for the offset from the radiant given.
    void BuildOneStar(float u1, float u2, std::vector<float> colours = {0.5f, 0.5f, 0.5f}) {
        display = Make({}, Mode::Saver, 1);
        Load(1024, 1024);
        random.draws = {u1, u2};
        random.draws.insert(random.draws.end(), colours.begin(), colours.end());
        display->OnFrameTimer();
    }

    // A display of `count` stars, started, whose building frame is behind it.
    void WithStars(std::vector<Star> stars) {
        display = Make({}, Mode::Saver, static_cast<int>(stars.size()));
        Load();
        display->PlaceStars(std::move(stars));
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    StubDisplayHost host{&fake};
    ScriptedRandom random;
    std::unique_ptr<StarDisplay> display = Make();
};

TEST_F(DisplayTest, StartSizesSeedsAndStartsTheTimersInOrder) {
    random.draws = {0.5f}; // the re-seeding loop runs Nearest(6) = 6 times
    display->Start();
    std::vector<std::string> expected = {"PlaceWindow(0, 0, 1024, 768)", "SizeSurface(1024, 768)",
                                         "GetTickCount"};
    for (int i = 0; i < 6; ++i) expected.push_back("GetTickCount");
    expected.insert(expected.end(), {"Show", "MakeTopmost", "Timer frame on", "Timer radiant jump on"});
    EXPECT_EQ(fake.calls, expected);
    ASSERT_EQ(random.seeds.size(), 7u);
    EXPECT_EQ(random.seeds[0], 1000.0);
    EXPECT_EQ(random.seeds[6], 1006.0);
    EXPECT_EQ(display->Stars().size(), 1000u);
    EXPECT_EQ(display->RadiantX(), 512);
    EXPECT_EQ(display->RadiantY(), 384);
}

TEST_F(DisplayTest, ReseedingRunsOneToElevenRounds) {
    for (auto [u, rounds] : {std::pair{0.0f, 1}, {0.95f, 10}, {0.99999994f, 11}}) {
        fake.tickCount = 0;
        random.seeds.clear();
        random.draws = {u};
        display->Start();
        EXPECT_EQ(random.seeds.size(), static_cast<std::size_t>(rounds) + 1) << u;
    }
}

TEST_F(DisplayTest, SurfaceSizeComesFromTheScreenInTwips) {
    Load(1023, 767);
    EXPECT_EQ(display->SurfaceWidth(), 1023);
    EXPECT_EQ(display->RadiantX(), 511); // whole pixels, never 511.5
    EXPECT_EQ(display->RadiantY(), 383);
    host.metrics.twipsPerPixelX = 12; // 120 dpi
    host.metrics.twipsPerPixelY = 0.3f; // rounds to nothing: the screen's own pixels
    Load(1280, 720);
    EXPECT_EQ(display->SurfaceWidth(), 1280);
    EXPECT_EQ(display->SurfaceHeight(), 720);
}

TEST_F(DisplayTest, BuildingStepsRelateEachAxisToTheOther) {
    struct Case { float u1, u2; double dx, dy, x, y; };
    // Radiant (512, 512) on 1024 x 1024; u x 1024 is exact in single precision.
    const Case cases[] = {
        {612 / 1024.0f, 612 / 1024.0f, 1, 1, 612, 612},              // offset (100, 100)
        {212 / 1024.0f, 612 / 1024.0f, -3, 1.0 / 3, 212, 612},       // offset (-300, 100)
        {512 / 1024.0f, 562 / 1024.0f, 0.02, 50, 513, 562},          // offset (0, 50)
        {412 / 1024.0f, 512 / 1024.0f, -100, 0.01, 412, 513},        // offset (-100, 0)
    };
    for (const Case& c : cases) {
        BuildOneStar(c.u1, c.u2);
        const Star& star = display->Stars()[0];
        EXPECT_DOUBLE_EQ(star.dx, c.dx) << c.u1;
        EXPECT_DOUBLE_EQ(star.dy, c.dy) << c.u1;
        EXPECT_EQ(star.x, c.x);
        EXPECT_EQ(star.y, c.y);
    }
}

TEST_F(DisplayTest, FirstColoursAreLightAndAPlusIsDrawnWithAWhiteCore) {
    BuildOneStar(612 / 1024.0f, 612 / 1024.0f, {0.0f, 0.5f, 0.99999994f});
    EXPECT_EQ(display->Stars()[0].color, 128 + 256 * 192 + 65536 * 255);
    EXPECT_EQ(host.At(612, 612), kWhitePixel);
    const std::uint32_t arm = 0x80C0FF; // red 128, green 192, blue 255 as the bitmap holds it
    EXPECT_EQ(host.At(613, 612), arm);
    EXPECT_EQ(host.At(611, 612), arm);
    EXPECT_EQ(host.At(612, 611), arm);
    EXPECT_EQ(host.At(612, 613), arm);
    EXPECT_EQ(host.At(613, 613), 0u);
}

TEST_F(DisplayTest, RealStarsKeepTheirStepsReciprocalAndTheFirstFrameMovesNothing) {
    Random real;
    StarDisplay shower(seams, host, real, {}, Mode::Saver);
    shower.Start();
    shower.OnFrameTimer();
    const std::vector<Star> built = shower.Stars();
    shower.OnFrameTimer();
    for (std::size_t i = 0; i < built.size(); ++i) {
        const Star& star = shower.Stars()[i];
        EXPECT_NEAR(std::fabs(star.dx) * std::fabs(star.dy), 1.0, 1e-9);
        // The building frame placed the star; the next one moved it one step on,
        // or back to the radiant when that step left the screen.
        if (star.x != built[i].x + built[i].dx) {
            EXPECT_EQ(star.x, shower.RadiantX()) << i;
        }
    }
    for (int frame = 0; frame < 500; ++frame) shower.OnFrameTimer();
    EXPECT_TRUE(host.GuardIntact());
}

TEST_F(DisplayTest, StarsOnTheMarginStayAndBeyondItStartAgainAtTheRadiant) {
    WithStars({
        Star{-4, 100, 0xFF, -1, 0},        // reaches X = -5: stays
        Star{100, 772, 0xFF, 0, 1},        // reaches Y = H + 5: stays
        Star{-4.5, 100, 0xFF, -0.5001, 0}, // just beyond: starts again
        Star{1029, 100, 0xFF, 1, 2},       // X > W + 5
    });
    random.draws = {0.0f, 0.5f, 0.99999994f, 0.25f, 0.25f, 0.25f};
    display->OnFrameTimer();
    const std::vector<Star>& stars = display->Stars();
    EXPECT_EQ(stars[0].x, -5);
    EXPECT_EQ(stars[1].y, 773);
    EXPECT_EQ(stars[2].x, 512);
    EXPECT_EQ(stars[2].y, 384);
    EXPECT_EQ(stars[2].color, 0 + 256 * 128 + 65536 * 255); // a 256 counts as 255
    EXPECT_EQ(stars[2].dx, -0.5001);                      // the direction stays
    EXPECT_EQ(stars[3].x, 512);
    EXPECT_EQ(stars[3].color, 64 + 256 * 64 + 65536 * 64);
    EXPECT_TRUE(host.GuardIntact());
}

TEST_F(DisplayTest, AStarWhoseOneStepLeavesTheScreenFlickersAtTheRadiant) {
    WithStars({Star{512, 384, 0xFFFFFF, 600, 1.0 / 600}});
    random.fallback = 0.0f;
    for (int frame = 0; frame < 3; ++frame) {
        random.draws = {0.1f * static_cast<float>(frame + 1), 0.0f, 0.0f};
        display->OnFrameTimer();
        EXPECT_EQ(display->Stars()[0].x, 512);
        EXPECT_EQ(host.At(512, 384), kWhitePixel);
        EXPECT_EQ(display->Stars()[0].color, std::lround(25.6 * (frame + 1)));
    }
}

TEST_F(DisplayTest, ErasingALaterStarBlackensAnEarlierOneDrawnUnderIt) {
    WithStars({
        Star{10, 10, 0x0000FF, 1, 1},    // moves onto (11, 11)
        Star{11, 11, 0x00FF00, 10, 0.1}, // erased at (11, 11)
    });
    display->PlotStar(11, 11, 0x00FF00, 0xFFFFFF);
    display->OnFrameTimer();
    EXPECT_EQ(host.At(11, 11), 0u);
    EXPECT_EQ(host.At(12, 11), 0u);
    EXPECT_EQ(host.At(21, 11), kWhitePixel); // star 2, drawn where it went
}

TEST_F(DisplayTest, TinySurfacesNeverWriteOutsideTheirPixels) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 1}, {1, 3}, {3, 3}}) {
        Random real;
        StarDisplay tiny(seams, host, real, {}, Mode::Saver);
        host.metrics = ScreenMetrics::Single(w, h);
        tiny.Start();
        for (int frame = 0; frame < 200; ++frame) {
            tiny.OnFrameTimer();
            if (frame % 50 == 0) tiny.OnRadiantTimer();
        }
        EXPECT_TRUE(host.GuardIntact()) << w << 'x' << h;
    }
    host.metrics = ScreenMetrics::Single(0, 0);
    display->Start();
    display->OnFrameTimer();
    display->OnFrameTimer();
    display->OnRadiantTimer();
}

TEST_F(DisplayTest, TheRadiantJumpsWithinTheMiddleBand) {
    Load();
    random.draws = {0.0f, 0.0f};
    display->OnRadiantTimer();
    EXPECT_EQ(display->RadiantX(), 204);
    EXPECT_EQ(display->RadiantY(), 153);
    EXPECT_EQ(random.seeds.back(), static_cast<double>(3600.5f));
    EXPECT_EQ(fake.calls, std::vector<std::string>{"Timer"});
    random.draws = {0.99999994f, 0.99999994f};
    display->OnRadiantTimer();
    EXPECT_EQ(display->RadiantX(), 820);
    EXPECT_EQ(display->RadiantY(), 615);
}

TEST_F(DisplayTest, OnlyAMoveInBothAxesAwayFromTheFirstPositionQuits) {
    Load();
    display->OnMouseMove(100, 100); // the event a resting mouse sends on opening
    display->OnMouseMove(150, 100); // X only
    display->OnMouseMove(100, 150); // Y only
    EXPECT_FALSE(host.ended);
    display->OnMouseMove(100.5f, 100.5f);
    EXPECT_TRUE(host.ended);
}

TEST_F(DisplayTest, WithoutASwitchMovementIsIgnoredButKeysAndClicksQuit) {
    display = Make({}, Mode::NoSwitch);
    Load();
    display->OnMouseMove(1, 1);
    display->OnMouseMove(500, 500);
    display->OnMouseMove(900, 700);
    EXPECT_FALSE(host.ended);
    display->OnKey(65);
    EXPECT_TRUE(host.ended);
    // Neither cursor nor running flag is touched without the run switch.
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetTickCount", "WaitingEvent", "Close", "End"}));

    std::unique_ptr<StarDisplay> clicked = Make({}, Mode::NoSwitch);
    host.ended = false;
    clicked->OnClick();
    EXPECT_TRUE(host.ended);
}

TEST_F(DisplayTest, ArrowKeysBelongToTheCdOnly) {
    const std::tuple<int, int, bool> cases[] = {
        {1, 37, false}, {1, 39, false}, {1, 38, true}, {1, 13, true}, {2, 37, true}, {0, 39, true},
        {7, 37, true},
    };
    for (const auto& [kind, key, quits] : cases) {
        std::unique_ptr<StarDisplay> shown = Make({static_cast<MusicKind>(kind), 0, ""});
        host.ended = false;
        shown->OnKey(key);
        EXPECT_EQ(host.ended, quits) << "kind " << kind << " key " << key;
    }
}

TEST_F(DisplayTest, QuitOnTheNtFamilyUndoesStartUpInOrder) {
    display = Make({MusicKind::AudioCd, 0, ""});
    Load();
    display->OnFrameTimer();
    display->OnFrameTimer();
    host.RunBackground();
    fake.calls.clear();
    EXPECT_TRUE(display->TimerEnabled(DisplayTimer::CdWatch));
    EXPECT_TRUE(display->Quit());
    const std::vector<std::string> expected = {
        "GetTickCount", "WaitingEvent", "GetVersionEx(148)", "Timer CD watch off", "DropWaitingMusicWork",
        "SystemParametersInfo(97, 0, NULL, 0)", "ShowCursor(TRUE)", "Close",
        "WaitForMusicThread(1000)", "mci: stop cdaudio", "mci: close cdaudio", "End"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_FALSE(display->TimerEnabled(DisplayTimer::CdWatch));
}

TEST_F(DisplayTest, OffTheNtFamilyThePasswordDecides) {
    fake.version = {1, 1};
    Load();
    host.passwordAnswer = 0;
    display->OnMouseMove(10, 10);
    display->OnMouseMove(20, 20);
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetTickCount", "WaitingEvent", "GetVersionEx(148)",
                                                    "ShowCursor(TRUE)", "VerifyScreenSavePwd",
                                                    "ShowCursor(FALSE)"}));
    // A refused quit from a move forgets where the mouse started: the next
    // position is the new start, and moving from it asks again.
    fake.calls.clear();
    display->OnMouseMove(30, 30);
    EXPECT_TRUE(fake.calls.empty());
    display->OnKey(65); // refused too, but a key keeps the start
    fake.calls.clear();
    display->OnMouseMove(40, 40);
    EXPECT_FALSE(fake.calls.empty());

    fake.calls.clear();
    host.passwordAnswer = 1;
    display->OnClick();
    EXPECT_TRUE(host.ended);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              "GetTickCount", "WaitingEvent", "GetVersionEx(148)", "ShowCursor(TRUE)",
                              "VerifyScreenSavePwd", "SystemParametersInfo(97, 0, NULL, 0)",
                              "ShowCursor(TRUE)", "Close", "End"}));
}

TEST_F(DisplayTest, AQuitFromTheEventsItRunsDoesNotAskTwice) {
    fake.version = {1, 1};
    Load();
    host.waitingEvent = [this, queued = true]() mutable { // a key already queued
        if (queued) display->OnKey(65);
        return std::exchange(queued, false);
    };
    display->OnClick();
    int asked = 0;
    int ended = 0;
    for (const std::string& call : fake.calls) {
        asked += call == "VerifyScreenSavePwd";
        ended += call == "End";
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ended, 1);
}

TEST_F(DisplayTest, AQuitLetsOnlyABoundedShareOfTheWaitingEventsRun) {
    // Frames that take as long as their period, so that one is due at every
    // look: quick ones end by their count, slow ones by the time.
    for (auto [frameMs, events] : {std::pair{0u, StarDisplay::kEventsBeforeQuit},
                                   {100u, (StarDisplay::kEventsBeforeQuitMs + 99) / 100}}) {
        int run = 0;
        host.waitingEvent = [&, frameMs = frameMs] { return ++run, fake.tickCount += frameMs, true; };
        Make()->OnClick();
        EXPECT_EQ(run, events) << frameMs;
    }
}

TEST_F(DisplayTest, ATickPostedWhileItsTimerIsOffDoesNothing) {
    for (int timer = 0; timer < kDisplayTimers; ++timer) {
        display = Make({MusicKind::AudioCd, 0, ""}); // not started: every timer off
        fake.calls.clear();
        display->OnTimer(static_cast<DisplayTimer>(timer));
        EXPECT_TRUE(fake.calls.empty() && host.background.empty()) << timer;
    }
}

// Every monitor ---------------------------------------------------------------

TEST_F(DisplayTest, EveryMonitorHasItsOwnShowerAndTheGapsStayBlack) {
    // A 1024x768 primary and an 800x600 monitor to its left, as Windows reports them.
    host.metrics = {Rect{-800, 0, 1024, 768}, {Rect{0, 0, 1024, 768}, Rect{-800, 0, 0, 600}}, 15, 15};
    Random real;
    StarDisplay shower(seams, host, real, {}, Mode::Saver);
    shower.Start();
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(), "PlaceWindow(-800, 0, 1824, 768)"), fake.calls.end());
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(), "SizeSurface(1824, 768)"), fake.calls.end());
    ASSERT_EQ(shower.Fields().size(), 2u);
    const StarField& primary = shower.Fields()[0];
    const StarField& left = shower.Fields()[1];
    // The primary monitor exactly as it would be alone; the other by the same rules.
    EXPECT_EQ(primary.place, (Rect{800, 0, 1824, 768}));
    EXPECT_EQ(primary.width, 1024);
    EXPECT_EQ(primary.radiantX, 512);
    EXPECT_EQ(primary.stars.size(), 1000u);
    EXPECT_EQ(left.place, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(left.radiantX, 400);
    EXPECT_EQ(left.radiantY, 300);
    EXPECT_EQ(left.stars.size(), 1000u);

    for (int frame = 0; frame < 300; ++frame) {
        shower.OnFrameTimer();
        if (frame % 100 == 0) shower.OnRadiantTimer();
    }
    EXPECT_EQ(host.presented, (std::vector<Rect>{primary.place, left.place}));
    EXPECT_TRUE(host.GuardIntact());
    // Stars on both monitors, none below the smaller one.
    auto lit = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += host.At(x, y) != 0;
        return count;
    };
    EXPECT_GT(lit(800, 0, 1824, 768), 1000);
    EXPECT_GT(lit(0, 0, 800, 600), 1000);
    EXPECT_EQ(lit(0, 600, 800, 768), 0);
    // Each radiant jumps within the middle band of its own monitor.
    EXPECT_GE(left.radiantX, 160);
    EXPECT_LE(left.radiantX, 640);
    EXPECT_GE(primary.radiantX, 204);
    EXPECT_LE(primary.radiantX, 820);
}

TEST_F(DisplayTest, AChangeOfMonitorsLaysTheShowerAnew) {
    Random real;
    StarDisplay shower(seams, host, real, {}, Mode::Saver);
    shower.Start();
    shower.OnFrameTimer();
    host.metrics = {Rect{0, 0, 1024 + 1280, 1024}, {Rect{0, 0, 1024, 768}, Rect{1024, 0, 2304, 1024}}, 15, 15};
    shower.OnDisplayChange();
    ASSERT_EQ(shower.Fields().size(), 2u);
    EXPECT_EQ(shower.Fields()[1].place, (Rect{1024, 0, 2304, 1024}));
    EXPECT_TRUE(shower.Fields()[1].building);
    for (int frame = 0; frame < 50; ++frame) shower.OnFrameTimer();
    EXPECT_TRUE(host.GuardIntact());
    // Back to one, and to none at all: still no write outside the surface.
    host.metrics = ScreenMetrics::Single(640, 480);
    shower.OnDisplayChange();
    shower.OnFrameTimer();
    host.metrics = {Rect{0, 0, 0, 0}, {}, 15, 15};
    shower.OnDisplayChange();
    shower.OnFrameTimer();
    shower.OnRadiantTimer();
    EXPECT_TRUE(host.GuardIntact());
    // A monitor reported beyond the desktop's bounds draws only what lies inside.
    host.metrics = {Rect{0, 0, 300, 200}, {Rect{0, 0, 300, 200}, Rect{250, 150, 650, 450}}, 15, 15};
    shower.OnDisplayChange();
    for (int frame = 0; frame < 100; ++frame) shower.OnFrameTimer();
    EXPECT_TRUE(host.GuardIntact());
}

} // namespace
} // namespace lumora
