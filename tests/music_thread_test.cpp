#include "music/music_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace lumora {
namespace {

using namespace std::chrono_literals;

// A player whose stop can be held, as a drive that does not answer holds it,
// and that tells what happened to it.
struct PlayerLog {
    std::atomic<bool> stopping{false};
    std::atomic<bool> stopReturned{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> destroyedUnderACall{false};
    std::atomic<bool> destroyedOnItsThread{false};
    std::thread::id musicThread;
};

class HeldPlayer final : public MusicPlayer {
public:
    HeldPlayer(PlayerLog& log, std::shared_future<void> release) : log_(log), release_(std::move(release)) {}
    ~HeldPlayer() override {
        log_.destroyedUnderACall = log_.stopping && !log_.stopReturned;
        log_.destroyedOnItsThread = std::this_thread::get_id() == log_.musicThread;
        log_.destroyed = true;
    }
    MusicStarted Start(const std::function<bool()>&) override {
        log_.musicThread = std::this_thread::get_id();
        return {};
    }
    void Stop(const MusicStarted&) override {
        log_.stopping = true;
        release_.wait();
        log_.stopReturned = true;
    }
    void KeepFilePlaying() override {}
    bool KeepCdPlaying() override { return true; }
    void StepTracks(int) override {}

private:
    PlayerLog& log_;
    std::shared_future<void> release_;
};

template <typename Condition>
bool WaitFor(Condition condition) {
    for (int wait = 0; wait < 500 && !condition(); ++wait) std::this_thread::sleep_for(10ms);
    return condition();
}

TEST(MusicThread, ResultsComeBackInOrderOnlyWhenDeliveredAndWorkNotBegunCanBeDropped) {
    std::promise<void> release;
    PlayerLog log;
    std::atomic<int> wakes{0};
    MusicThread music(std::make_unique<HeldPlayer>(log, release.get_future().share()), [&wakes] { ++wakes; });
    std::vector<std::string> results;
    music.Post([](MusicPlayer& player) { player.Stop({}); }, [&results] { results.push_back("first"); });
    music.Post([](MusicPlayer&) {}, [&results] { results.push_back("dropped"); });
    ASSERT_TRUE(WaitFor([&] { return log.stopping.load(); }));
    // A thread held by a device: the wait gives up, and work not begun can be dropped.
    EXPECT_FALSE(music.WaitIdle(20));
    music.DropWaiting();
    music.Post([](MusicPlayer&) {}, [&results] { results.push_back("second"); });
    release.set_value();
    ASSERT_TRUE(music.WaitIdle(5000));
    EXPECT_TRUE(results.empty()); // nothing runs on the owner's side until it delivers
    EXPECT_EQ(wakes, 2);
    music.Deliver();
    EXPECT_EQ(results, (std::vector<std::string>{"first", "second"}));
}

// The saver ends while its music's stop is held in a device: the thread is
// left behind, and the player it is using must live until the call returns.
TEST(MusicThread, AThreadHeldByADeviceKeepsItsPlayerUntilTheCallReturns) {
    std::promise<void> release;
    PlayerLog log;
    auto music = std::make_unique<MusicThread>(std::make_unique<HeldPlayer>(log, release.get_future().share()),
                                               [] {});
    music->Post([](MusicPlayer& player) { player.Start({}); }, {});
    music->Post([](MusicPlayer& player) { player.Stop({}); }, {});
    ASSERT_TRUE(WaitFor([&] { return log.stopping.load(); }));
    music.reset();
    EXPECT_FALSE(log.destroyed) << "the player went while its thread was still in it";
    release.set_value();
    ASSERT_TRUE(WaitFor([&] { return log.destroyed.load(); }));
    EXPECT_FALSE(log.destroyedUnderACall);
    EXPECT_TRUE(log.destroyedOnItsThread);
}

TEST(MusicThread, AnIdleThreadIsJoinedAndThePlayerEndsOnItBeforeTheOwnerGoesOn) {
    std::promise<void> release;
    release.set_value();
    PlayerLog log;
    auto music = std::make_unique<MusicThread>(std::make_unique<HeldPlayer>(log, release.get_future().share()),
                                               [] {});
    music->Post([](MusicPlayer& player) { player.Start({}); }, {});
    ASSERT_TRUE(music->WaitIdle(5000));
    music.reset();
    EXPECT_TRUE(log.destroyed);
    EXPECT_TRUE(log.destroyedOnItsThread); // where its devices were opened
}

} // namespace
} // namespace lumora
