// One player among several hacks: the daemon starts one hack per monitor, and
// only the one that holds the user's music lock plays. The lock is a file
// locked with flock, held until the process ends; the system lets it go with
// the process, however it ends.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "music/music_player.h"
#include "linux/fd.h"

namespace lumora::linux_desktop {

// $XDG_RUNTIME_DIR/lumora-music.lock; without that folder (a session that did
// not set it up), a file of the user's own in /tmp.
std::string MusicLockPath();

class OneMusicAmongHacks final : public MusicPlayer {
public:
    OneMusicAmongHacks(std::unique_ptr<MusicPlayer> player, std::string lockPath)
        : player_(std::move(player)), lockPath_(std::move(lockPath)) {}

    // How long a start waits for the lock: the hack the daemon ended a moment
    // ago to start this one may still be stopping its music.
    static constexpr int kClaimWaitMs = 1000;
    static constexpr int kClaimRetryMs = 50;

    // Plays only once the lock is ours.
    MusicStarted Start(const std::function<bool()>& stillWanted) override;
    void Stop(const MusicStarted& started) override { player_->Stop(started); }
    void KeepFilePlaying() override { player_->KeepFilePlaying(); }
    bool KeepCdPlaying() override { return player_->KeepCdPlaying(); }
    void StepTracks(int steps) override { player_->StepTracks(steps); }

private:
    // True when the lock is ours now, or cannot be had as ours at all: a lock
    // file that another user made, or no place to make one, is no reason for
    // silence.
    bool TryClaim();

    const std::unique_ptr<MusicPlayer> player_;
    const std::string lockPath_;
    UniqueFd lock_;
};

} // namespace lumora::linux_desktop
