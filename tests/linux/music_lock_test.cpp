#include "linux/music_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

namespace lumora::linux_desktop {
namespace {

class CountingPlayer final : public MusicPlayer {
public:
    explicit CountingPlayer(std::atomic<int>* starts) : starts_(starts) {}
    MusicStarted Start(const std::function<bool()>&) override {
        ++*starts_;
        return {MusicPlaying::WatchedFile, false};
    }
    void Stop(const MusicStarted&) override {}
    void KeepFilePlaying() override {}
    bool KeepCdPlaying() override { return true; }
    void StepTracks(int) override {}

private:
    std::atomic<int>* starts_;
};

TEST(MusicLock, OnlyOneHackPlaysAndTheNextTakesOverWhenItEnds) {
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
} // namespace lumora::linux_desktop
