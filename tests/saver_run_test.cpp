#include "display/saver_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <vector>

namespace lumora {
namespace {

class ManualClock final : public platform::Clock {
public:
    std::uint32_t now = 0xFFFFFF00u; // the millisecond count wraps during the tests
    std::uint32_t TickCount() override { return now; }
    double SecondsSinceMidnight() override { return 1000.0 + now / 1000.0; }
};

class QuietHost final : public SessionHost {
public:
    bool RunWaitingEvent() override { return false; }
    std::int32_t VerifyPassword() override { return 1; }
    void Close() override {}
    void End() override {}
};

// A file that plays from the start and is watched.
class WatchedFile final : public MusicPlayer {
public:
    explicit WatchedFile(std::atomic<int>& watches) : watches_(watches) {}
    MusicStarted Start(const std::function<bool()>&) override { return {MusicPlaying::WatchedFile, false}; }
    void Stop(const MusicStarted&) override {}
    void KeepFilePlaying() override { ++watches_; }
    bool KeepCdPlaying() override { return true; }
    void StepTracks(int) override {}

private:
    std::atomic<int>& watches_;
};

class SaverRunTest : public ::testing::Test {
protected:
    SaverRunTest() {
        run.Stars().LayOut(PixelView{pixels.data(), 64, 48, 64}, {Rect{0, 0, 64, 48}});
        run.Start();
    }
    // Moves the clock on, and lets the music's thread finish what the run gave
    // it and its results come back.
    bool After(std::uint32_t milliseconds) {
        clock.now += milliseconds;
        const bool stepped = run.RunDue();
        if (stepped) run.Shown();
        EXPECT_TRUE(run.Music().WaitIdle(5000));
        run.Music().Deliver();
        return stepped;
    }

    ManualClock clock;
    QuietHost host;
    std::atomic<int> watches{0};
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(64 * 48);
    SaverRun run{SessionSeams(clock), host, std::make_unique<WatchedFile>(watches), [] {},
                 Settings{MusicKind::SoundFile, 0, "tone.wav"}, SessionRules{}, true};
};

TEST_F(SaverRunTest, StepsKeepTheirPeriodAndALateOneComesOnceWithoutABurst) {
    struct Case {
        std::uint32_t after;
        bool steps;
        int nextInMs;
    };
    const Case cases[] = {
        {0, true, 10},    // the first step at once
        {7, false, 3},    // not yet
        {3, true, 10},    // on its period, past the clock's wrap
        {9, true, 11},    // a tick a little early is taken, and the period kept
        {95, true, 10},   // a stop, a suspend: one step, then a period on
        {1, false, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(After(c.after), c.steps) << c.after;
        EXPECT_EQ(run.MillisecondsToNext(), c.nextInMs) << c.after;
        EXPECT_TRUE(!c.steps || !run.Changed().empty()) << c.after;
    }
}

TEST_F(SaverRunTest, HeldStepsAreNeitherTakenNorWaitedForAndComeAtOnceWhenLetGo) {
    After(0);
    run.HoldSteps(true);
    EXPECT_EQ(run.MillisecondsToNext(), Shower::kJumpIntervalMs); // only the radiant is waited for
    EXPECT_FALSE(After(500));
    run.HoldSteps(false);
    EXPECT_EQ(run.MillisecondsToNext(), 0);
    EXPECT_TRUE(After(0));
    EXPECT_EQ(run.MillisecondsToNext(), 10);
}

TEST_F(SaverRunTest, PicturesComeOncePerRefreshAtMostShowEveryStepSinceTheLastAndTheStepsKeepTheirRate) {
    struct Case {
        std::uint32_t millihertz;
        int pictures; // in a second
    };
    const Case cases[] = {{0, 100}, {60000, 60}, {59940, 60}, {75000, 75}, {30000, 30}, {144000, 100}};
    for (const Case& c : cases) {
        SaverRun paced{SessionSeams(clock), host, std::make_unique<WatchedFile>(watches), [] {}, Settings{},
                       SessionRules{}, true};
        std::vector<std::uint32_t> drawn(64 * 48);
        paced.Stars().LayOut(PixelView{drawn.data(), 64, 48, 64}, {Rect{0, 0, 64, 48}});
        paced.PaceShows(c.millihertz);
        paced.Start();
        std::vector<std::uint32_t> onScreen(drawn.size()); // what the pictures copied
        std::set<std::uint64_t> refreshes;
        int steps = 0;
        int pictures = 0;
        // As the loop does: woken when the run says, no earlier.
        for (std::uint32_t at = 0; at < 1000;) {
            steps += paced.StepDue() ? 1 : 0;
            if (paced.RunDue()) {
                for (const Rect& box : paced.Changed())
                    for (int y = std::max(box.top, 0); y < std::min(box.bottom, 48); ++y)
                        for (int x = std::max(box.left, 0); x < std::min(box.right, 64); ++x)
                            onScreen[static_cast<std::size_t>(y * 64 + x)] = drawn[static_cast<std::size_t>(y * 64 + x)];
                EXPECT_EQ(onScreen, drawn) << c.millihertz << " at " << at;
                paced.Shown();
                ++pictures;
                const bool ownRefresh = refreshes.insert(std::uint64_t{at} * c.millihertz / 1000000).second;
                EXPECT_TRUE(c.millihertz == 0 || ownRefresh) << c.millihertz << " at " << at;
            }
            const auto wait = static_cast<std::uint32_t>(paced.MillisecondsToNext());
            clock.now += wait;
            at += wait;
        }
        EXPECT_EQ(steps, 100) << c.millihertz;
        EXPECT_EQ(pictures, c.pictures) << c.millihertz;
    }
}

TEST_F(SaverRunTest, TheRadiantJumpsEveryFiveSeconds) {
    After(0);
    const double before = run.Stars().Fields().front().radiantX;
    After(Shower::kJumpIntervalMs - 10);
    EXPECT_EQ(run.Stars().Fields().front().radiantX, before);
    After(10);
    EXPECT_NE(run.Stars().Fields().front().radiantX, before);
}

TEST_F(SaverRunTest, TheSessionsTimersTickThroughTheRunOnceEvenWhenLate) {
    for (int step = 0; step < SaverSession::kFramesBeforeMusic; ++step) After(10); // the music starts
    ASSERT_TRUE(run.Session().TimerEnabled(SessionTimer::FileMusicWatch));
    After(static_cast<std::uint32_t>(SaverSession::IntervalMs(SessionTimer::FileMusicWatch)) - 1);
    EXPECT_EQ(watches, 0);
    After(1);
    EXPECT_EQ(watches, 1);
    After(5 * 1000); // five periods late: one watch
    EXPECT_EQ(watches, 2);
}

} // namespace
} // namespace lumora
