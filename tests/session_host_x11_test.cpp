#include "platform/x11/session_host_x11.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/music_lock_x11.h"

namespace lumora::x11 {
namespace {

class CountingPlayer final : public MusicPlayer {
public:
    explicit CountingPlayer(std::atomic<int>* starts = nullptr) : starts_(starts) {}
    MusicStarted Start(const std::function<bool()>&) override {
        if (starts_ != nullptr) ++*starts_;
        return {MusicPlaying::WatchedFile, false};
    }
    void Stop(const MusicStarted&) override {}
    void KeepFilePlaying() override {}
    bool KeepCdPlaying() override { return true; }
    void StepTracks(int) override {}

private:
    std::atomic<int>* starts_;
};

bool Readable(int fd, int milliseconds) {
    pollfd watched{fd, POLLIN, 0};
    return poll(&watched, 1, milliseconds) == 1;
}

TEST(X11MusicThread, ResultsComeBackInOrderOnlyWhenDelivered) {
    X11SessionHost host(std::make_unique<CountingPlayer>());
    std::vector<std::string> log;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    host.RunOnMusicThread([released] { released.wait(); }, [&log] { log.push_back("first"); });
    host.RunOnMusicThread([] {}, [&log] { log.push_back("dropped"); });
    // A thread held by a device: the wait gives up, and work not begun can be dropped.
    EXPECT_FALSE(host.WaitForMusicThread(20));
    EXPECT_FALSE(host.MusicIdle());
    host.DropWaitingMusicWork();
    host.RunOnMusicThread([] {}, [&log] { log.push_back("second"); });
    release.set_value();
    for (int wait = 0; wait < 500 && !host.MusicIdle(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(log.empty()); // nothing runs on the window's side until the loop delivers it
    ASSERT_TRUE(Readable(host.MusicResultsFd(), 1000));
    host.DeliverMusicResults();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(Readable(host.MusicResultsFd(), 0));
}

TEST(X11SessionTimers, DueTimersTickOnceEvenWhenLateAndMayTurnThemselvesOff) {
    X11SessionHost host(std::make_unique<CountingPlayer>());
    EXPECT_FALSE(host.NextTimer());
    const auto start = SteadyClock::now();
    host.EnableTimer(SessionTimer::CdWatch, true);
    host.EnableTimer(SessionTimer::FileMusicWatch, true);
    ASSERT_TRUE(host.NextTimer());
    EXPECT_GE(*host.NextTimer(), start + std::chrono::milliseconds(200));
    EXPECT_LT(*host.NextTimer(), start + std::chrono::milliseconds(1000));

    std::vector<SessionTimer> ticks;
    const auto late = SteadyClock::now() + std::chrono::seconds(5);
    host.RunDueTimers(late, [&](SessionTimer timer) {
        ticks.push_back(timer);
        if (timer == SessionTimer::FileMusicWatch) host.EnableTimer(timer, false);
    });
    EXPECT_EQ(ticks, (std::vector<SessionTimer>{SessionTimer::FileMusicWatch, SessionTimer::CdWatch}));
    // The CD watch goes on a period after the late tick, not in a burst of missed ones.
    EXPECT_EQ(*host.NextTimer(), late + std::chrono::milliseconds(200));
}

TEST(X11MusicLock, OnlyOneHackPlaysAndTheNextTakesOverWhenItEnds) {
    const std::string path = ::testing::TempDir() + "lumora-music-test.lock";
    std::atomic<int> starts{0};
    auto first = std::make_unique<OneMusicAmongHacks>(std::make_unique<CountingPlayer>(&starts), path);
    OneMusicAmongHacks second(std::make_unique<CountingPlayer>(&starts), path);
    EXPECT_EQ(first->Start({}).playing, MusicPlaying::WatchedFile);
    // Given up while waiting for the lock: the start ends at once, silent.
    EXPECT_EQ(second.Start([] { return false; }).playing, MusicPlaying::Nothing);
    EXPECT_EQ(starts, 1);
    first.reset();
    EXPECT_EQ(second.Start({}).playing, MusicPlaying::WatchedFile);
    EXPECT_EQ(starts, 2);
}

} // namespace
} // namespace lumora::x11
