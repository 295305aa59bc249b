#include "display/display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>

#include "platform/fake/fake_platform.h"
#include "settings/settings.h"

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

// The window toolkit as the tests see it: calls go to the platform's log, the
// surface is a plain buffer with a guard band around it.
class FakeHost final : public DisplayHost {
public:
    explicit FakeHost(fake::FakePlatform& log) : log_(log) {}

    ScreenMetrics metrics{1024, 768, 15, 15};
    std::int32_t topmostResult = 1;
    std::int32_t passwordAnswer = 1;
    std::function<void()> onDoEvents;
    bool ended = false;
    static constexpr int kGuard = 16;
    std::vector<std::uint32_t> buffer;
    int width = 0;
    int height = 0;

    ScreenMetrics Screen() override { return metrics; }
    void PlaceForm(int left, int top, int w, int h) override {
        log_.Log("PlaceForm(" + std::to_string(left) + ", " + std::to_string(top) + ", " +
                 std::to_string(w) + ", " + std::to_string(h) + ")");
    }
    PixelView SizeDisplay(int w, int h) override {
        log_.Log("SizeDisplay(" + std::to_string(w) + ", " + std::to_string(h) + ")");
        width = w;
        height = h;
        if (w <= 0 || h <= 0) return {};
        const int stride = w + 2 * kGuard;
        buffer.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h + 2 * kGuard), kGuardValue);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) At(x, y) = 0;
        return PixelView{&At(0, 0), w, h, stride};
    }
    void ShowNormal() override { log_.Log("Show"); }
    std::int32_t SetTopmost() override {
        log_.Log("SetWindowPos(HWND_TOPMOST, 0x13)");
        return topmostResult;
    }
    void EnableTimer(DisplayTimer timer, bool enabled) override {
        log_.Log("Timer" + std::to_string(timer) + (enabled ? " on" : " off"));
    }
    void Present() override { log_.Log("Present"); }
    void DoEvents() override {
        log_.Log("DoEvents");
        if (onDoEvents) onDoEvents();
    }
    std::int32_t VerifyPassword() override {
        log_.Log("VerifyScreenSavePwd");
        return passwordAnswer;
    }
    void Unload() override { log_.Log("Unload"); }
    void EndProcess() override {
        log_.Log("End");
        ended = true;
    }

    std::uint32_t& At(int x, int y) {
        const int stride = width + 2 * kGuard;
        return buffer[static_cast<std::size_t>((y + kGuard) * stride + x + kGuard)];
    }
    bool GuardIntact() const {
        std::size_t inside = 0;
        for (std::uint32_t pixel : buffer) inside += pixel != kGuardValue;
        return inside <= static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
    static constexpr std::uint32_t kGuardValue = 0xDEADBEEF;

private:
    fake::FakePlatform& log_;
};

class DisplayTest : public ::testing::Test {
protected:
    DisplayTest() : host(fake), form(fake_seams, host, random) {
        fake.commandLine = "Lumora.scr /s";
        BGM_Kind = 0;
        BGM_File.clear();
    }

    // Loads the form and forgets its calls.
    void Load(int w = 1024, int h = 768) {
        host.metrics.widthPixels = w;
        host.metrics.heightPixels = h;
        form.Form_Load();
        fake.calls.clear();
    }

    // Puts star 1 where a building frame would, for the offset from the radiant given.
    void BuildOneStar(float u1, float u2, std::vector<float> colours = {0.5f, 0.5f, 0.5f}) {
        form.Star_Count = 1;
        Load(1024, 1024);
        random.draws = {u1, u2};
        random.draws.insert(random.draws.end(), colours.begin(), colours.end());
        form.Stars_Frame();
    }

    fake::FakePlatform fake;
    platform::Platform fake_seams = fake.Seams();
    FakeHost host;
    ScriptedRandom random;
    DisplayForm form;
};

TEST_F(DisplayTest, LoadSizesSeedsAndStartsTheTimersInOrder) {
    random.draws = {0.5f}; // the re-seeding loop runs Nearest(6) = 6 times
    form.Form_Load();
    std::vector<std::string> expected = {"PlaceForm(0, 0, 1024, 768)", "SizeDisplay(1024, 768)",
                                         "GetTickCount"};
    for (int i = 0; i < 6; ++i) expected.push_back("GetTickCount");
    expected.insert(expected.end(),
                    {"Show", "SetWindowPos(HWND_TOPMOST, 0x13)", "Timer3 on", "Timer4 on"});
    EXPECT_EQ(fake.calls, expected);
    ASSERT_EQ(random.seeds.size(), 7u);
    EXPECT_EQ(random.seeds[0], 1000.0);
    EXPECT_EQ(random.seeds[6], 1006.0);
    EXPECT_EQ(form.Start_Tick, 1000);
    EXPECT_EQ(form.Seed_Count, 0);
    EXPECT_EQ(form.Star_Count, 1000);
    EXPECT_EQ(form.Stars.size(), 1001u);
    EXPECT_TRUE(form.First_Frame);
    EXPECT_EQ(form.Radiant_X, 512);
    EXPECT_EQ(form.Radiant_Y, 384);
    EXPECT_EQ(Last_Result, 1);
}

TEST_F(DisplayTest, ReseedingRunsOneToElevenRounds) {
    for (auto [u, rounds] : {std::pair{0.0f, 1}, {0.95f, 10}, {0.99999994f, 11}}) {
        fake.tickCount = 0;
        random.seeds.clear();
        random.draws = {u};
        form.Form_Load();
        EXPECT_EQ(random.seeds.size(), static_cast<std::size_t>(rounds) + 1) << u;
    }
}

TEST_F(DisplayTest, SurfaceSizeComesFromTheScreenInTwips) {
    Load(1023, 767);
    EXPECT_EQ(form.Display_Width, 1023);
    EXPECT_EQ(form.Radiant_X, 511); // whole pixels, never 511.5
    EXPECT_EQ(form.Radiant_Y, 383);
    host.metrics.twipsPerPixelX = 12; // 120 dpi
    host.metrics.twipsPerPixelY = 0.3f; // rounds to nothing: the screen's own pixels
    Load(1280, 720);
    EXPECT_EQ(form.Display_Width, 1280);
    EXPECT_EQ(form.Display_Height, 720);
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
        const Star& star = form.Stars[1];
        EXPECT_DOUBLE_EQ(star.DX, c.dx) << c.u1;
        EXPECT_DOUBLE_EQ(star.DY, c.dy) << c.u1;
        EXPECT_EQ(star.X, c.x);
        EXPECT_EQ(star.Y, c.y);
        EXPECT_EQ(star.X0, star.X);
        EXPECT_EQ(star.Y0, star.Y);
        EXPECT_FALSE(form.First_Frame);
    }
}

TEST_F(DisplayTest, FirstColoursAreLightAndAPlusIsDrawnWithAWhiteCore) {
    BuildOneStar(612 / 1024.0f, 612 / 1024.0f, {0.0f, 0.5f, 0.99999994f});
    EXPECT_EQ(form.Stars[1].Color, 128 + 256 * 192 + 65536 * 255);
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
    DisplayForm shower(fake_seams, host, real);
    shower.Form_Load();
    shower.Stars_Frame();
    for (std::size_t i = 1; i < shower.Stars.size(); ++i) {
        const Star& star = shower.Stars[i];
        EXPECT_NEAR(std::fabs(star.DX) * std::fabs(star.DY), 1.0, 1e-9);
        EXPECT_EQ(star.X, star.X0);
        EXPECT_EQ(star.Y, star.Y0);
    }
    for (int frame = 0; frame < 500; ++frame) shower.Stars_Frame();
    const Star& unused = shower.Stars[0];
    EXPECT_EQ(unused.X, 0);
    EXPECT_EQ(unused.DX, 0);
    EXPECT_EQ(unused.Color, 0);
    EXPECT_TRUE(host.GuardIntact());
}

TEST_F(DisplayTest, StarsOnTheMarginStayAndBeyondItStartAgainAtTheRadiant) {
    form.Star_Count = 4;
    Load();
    form.First_Frame = false;
    form.Stars[1] = Star{-4, 100, 0, 0, 0xFF, -1, 0};      // reaches X = -5: stays
    form.Stars[2] = Star{100, 772, 0, 0, 0xFF, 0, 1};      // reaches Y = H + 5: stays
    form.Stars[3] = Star{-4.5, 100, 0, 0, 0xFF, -0.5001, 0}; // just beyond: starts again
    form.Stars[4] = Star{1029, 100, 0, 0, 0xFF, 1, 2};     // X > W + 5
    random.draws = {0.0f, 0.5f, 0.99999994f, 0.25f, 0.25f, 0.25f};
    form.Stars_Frame();
    EXPECT_EQ(form.Stars[1].X, -5);
    EXPECT_EQ(form.Stars[2].Y, 773);
    EXPECT_EQ(form.Stars[3].X, 512);
    EXPECT_EQ(form.Stars[3].Y, 384);
    EXPECT_EQ(form.Stars[3].Color, 0 + 256 * 128 + 65536 * 255); // a 256 counts as 255
    EXPECT_EQ(form.Stars[3].DX, -0.5001);                      // the direction stays
    EXPECT_EQ(form.Stars[4].X, 512);
    EXPECT_EQ(form.Stars[4].Color, 64 + 256 * 64 + 65536 * 64);
    EXPECT_TRUE(host.GuardIntact());
}

TEST_F(DisplayTest, AStarWhoseOneStepLeavesTheScreenFlickersAtTheRadiant) {
    form.Star_Count = 1;
    Load();
    form.First_Frame = false;
    form.Stars[1] = Star{512, 384, 512, 384, 0xFFFFFF, 600, 1.0 / 600};
    random.fallback = 0.0f;
    for (int frame = 0; frame < 3; ++frame) {
        random.draws = {0.1f * static_cast<float>(frame + 1), 0.0f, 0.0f};
        form.Stars_Frame();
        EXPECT_EQ(form.Stars[1].X, 512);
        EXPECT_EQ(host.At(512, 384), kWhitePixel);
        EXPECT_EQ(form.Stars[1].Color, std::lround(25.6 * (frame + 1)));
    }
}

TEST_F(DisplayTest, ErasingALaterStarBlackensAnEarlierOneDrawnUnderIt) {
    form.Star_Count = 2;
    Load();
    form.First_Frame = false;
    form.Stars[1] = Star{10, 10, 0, 0, 0x0000FF, 1, 1};  // moves onto (11, 11)
    form.Stars[2] = Star{11, 11, 0, 0, 0x00FF00, 10, 0.1}; // erased at (11, 11)
    form.Star_Plot(11, 11, 0x00FF00, 0xFFFFFF);
    form.Stars_Frame();
    EXPECT_EQ(host.At(11, 11), 0u);
    EXPECT_EQ(host.At(12, 11), 0u);
    EXPECT_EQ(host.At(21, 11), kWhitePixel); // star 2, drawn where it went
}

TEST_F(DisplayTest, TinySurfacesNeverWriteOutsideTheirPixels) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 1}, {1, 3}, {3, 3}}) {
        Random real;
        DisplayForm tiny(fake_seams, host, real);
        host.metrics = ScreenMetrics{w, h, 15, 15};
        tiny.Form_Load();
        for (int frame = 0; frame < 200; ++frame) {
            tiny.Stars_Frame();
            if (frame % 50 == 0) tiny.Timer4_Timer();
        }
        EXPECT_TRUE(host.GuardIntact()) << w << 'x' << h;
    }
    host.metrics = ScreenMetrics{0, 0, 15, 15};
    form.Form_Load();
    form.Stars_Frame();
    form.Stars_Frame();
    form.Timer4_Timer();
}

TEST_F(DisplayTest, TheRadiantJumpsWithinTheMiddleBand) {
    Load();
    fake.calls.clear();
    random.draws = {0.0f, 0.0f};
    form.Timer4_Timer();
    EXPECT_EQ(form.Radiant_X, 204);
    EXPECT_EQ(form.Radiant_Y, 153);
    EXPECT_EQ(random.seeds.back(), static_cast<double>(3600.5f));
    EXPECT_EQ(fake.calls, std::vector<std::string>{"Timer"});
    random.draws = {0.99999994f, 0.99999994f};
    form.Timer4_Timer();
    EXPECT_EQ(form.Radiant_X, 820);
    EXPECT_EQ(form.Radiant_Y, 615);
}

TEST_F(DisplayTest, OnlyAMoveInBothAxesAwayFromTheFirstPositionQuits) {
    Load();
    form.Display_MouseMove(100, 100); // the event a resting mouse sends on opening
    form.Display_MouseMove(150, 100); // X only
    form.Display_MouseMove(100, 150); // Y only
    EXPECT_FALSE(host.ended);
    form.Display_MouseMove(100.5f, 100.5f);
    EXPECT_TRUE(host.ended);
}

TEST_F(DisplayTest, WithoutASwitchMovementIsIgnoredButKeysAndClicksQuit) {
    fake.commandLine = "Lumora.scr";
    Load();
    form.Display_MouseMove(1, 1);
    form.Display_MouseMove(500, 500);
    EXPECT_FALSE(form.Mouse_Start.Taken);
    EXPECT_FALSE(host.ended);
    form.Form_KeyDown(65);
    EXPECT_TRUE(host.ended);
    // Neither cursor nor running flag is touched without the run switch.
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"DoEvents", "Unload", "End"}));

    DisplayForm clicked(fake_seams, host, random);
    host.ended = false;
    clicked.Display_MouseDown();
    EXPECT_TRUE(host.ended);
}

TEST_F(DisplayTest, ArrowKeysBelongToTheCdOnly) {
    const std::tuple<int, int, bool> cases[] = {
        {1, 37, false}, {1, 39, false}, {1, 38, true}, {1, 13, true}, {2, 37, true}, {0, 39, true},
        {7, 37, true},
    };
    for (const auto& [kind, key, quits] : cases) {
        BGM_Kind = static_cast<std::int16_t>(kind);
        DisplayForm display(fake_seams, host, random);
        host.ended = false;
        display.Form_KeyDown(key);
        EXPECT_EQ(host.ended, quits) << "kind " << kind << " key " << key;
    }
}

TEST_F(DisplayTest, QuitOnTheNtFamilyUndoesStartUpInOrder) {
    Load();
    form.timerEnabled[kTimer2] = true;
    EXPECT_TRUE(form.Saver_Quit());
    const std::vector<std::string> expected = {
        "DoEvents", "GetVersionEx(148)", "Timer2 off", "mci: stop cdaudio", "mci: close cdaudio",
        "SystemParametersInfo(97, 0, NULL, 0)", "ShowCursor(TRUE)", "Unload", "End"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_FALSE(form.timerEnabled[kTimer2]);
}

TEST_F(DisplayTest, OffTheNtFamilyThePasswordDecides) {
    fake.version = {1, 1};
    Load();
    host.passwordAnswer = 0;
    form.Display_MouseMove(10, 10);
    form.Display_MouseMove(20, 20);
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"DoEvents", "GetVersionEx(148)",
                                                    "ShowCursor(TRUE)", "VerifyScreenSavePwd",
                                                    "ShowCursor(FALSE)"}));
    EXPECT_FALSE(form.Mouse_Start.Taken); // a refused quit from a move forgets the start
    form.Display_MouseMove(30, 30);
    EXPECT_TRUE(form.Mouse_Start.Taken);
    form.Form_KeyDown(65);
    EXPECT_TRUE(form.Mouse_Start.Taken); // one from a key keeps it

    fake.calls.clear();
    host.passwordAnswer = 1;
    form.Form_MouseDown();
    EXPECT_TRUE(host.ended);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              "DoEvents", "GetVersionEx(148)", "ShowCursor(TRUE)",
                              "VerifyScreenSavePwd", "SystemParametersInfo(97, 0, NULL, 0)",
                              "ShowCursor(TRUE)", "Unload", "End"}));
}

TEST_F(DisplayTest, AQuitFromTheEventsItRunsDoesNotAskTwice) {
    fake.version = {1, 1};
    Load();
    host.onDoEvents = [this] { form.Form_KeyDown(65); }; // a key already queued
    form.Display_MouseDown();
    int asked = 0;
    int ended = 0;
    for (const std::string& call : fake.calls) {
        asked += call == "VerifyScreenSavePwd";
        ended += call == "End";
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ended, 1);
}

} // namespace
} // namespace lumora
