// The window system's side of the saver's session on X11: the session's timers,
// kept as times that the main loop waits for, and the music's own thread, whose
// results come back to the main loop through a file descriptor it polls.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "display/saver_session.h"
#include "music/music_player.h"
#include "platform/platform.h"
#include "platform/worker.h"
#include "platform/x11/fd_x11.h"

namespace lumora::x11 {

using SteadyClock = std::chrono::steady_clock;

// When a periodic deadline that has come is next due: a period on, or a period
// from now for a loop that fell behind (a stop, a suspend): it comes once, not
// in a burst of the periods missed.
inline SteadyClock::time_point NextDue(SteadyClock::time_point due, std::chrono::milliseconds period,
                                       SteadyClock::time_point now) {
    due += period;
    return due <= now ? now + period : due;
}

// What the session asks of the system itself. Under the daemon, which keeps
// the cursor and the screen lock, the session runs as a test run does: it never
// asks for the cursor or the running flag, and there is no old family.
class X11System final : public platform::Clock, public platform::Cursor, public platform::Saver {
public:
    std::uint32_t TickCount() override;
    double SecondsSinceMidnight() override;
    int Show(bool) override { return 0; }
    platform::VersionAnswer QueryVersion() override { return {1, 2}; } // the NT family: no password of ours
    void SetScreenSaverRunning(std::uint32_t) override {}
    void ChangePassword(const std::string&, platform::WindowHandle, std::uint32_t, std::uint32_t) override {}

    SessionSeams Seams() { return {*this, *this, *this}; }
};

// A thread of its own for the music player, which lives and ends on it.
class MusicThread {
public:
    explicit MusicThread(std::unique_ptr<MusicPlayer> player);

    // Used by the work given below only, on the thread.
    MusicPlayer& Player() { return *player_; }
    void Post(std::function<void()> work, std::function<void()> done) { worker_.Post(std::move(work), std::move(done)); }
    // Waits at most this long until everything given has run.
    bool WaitIdle(int milliseconds) { return worker_.WaitIdle(milliseconds); }
    void DropWaiting() { worker_.DropWaiting(); }

    // Readable while results wait for Deliver.
    int ResultsFd() const { return results_->Get(); }
    // Runs the results of the work finished so far, here.
    void Deliver();

private:
    MusicPlayer* player_;
    // The counter that wakes the loop, kept by the thread too, should it outlive this object.
    std::shared_ptr<UniqueFd> results_;
    platform::Worker worker_;
};

class X11SessionHost final : public SessionHost {
public:
    explicit X11SessionHost(std::unique_ptr<MusicPlayer> player) : music_(std::move(player)) {}

    // The daemon wants a hack gone at once (and warns after ten seconds): a
    // quit waits no longer than this for the music to stop, and a thread that
    // a device holds is left to the end of the process.
    static constexpr int kLongestStopWaitMs = 50;

    MusicPlayer& Player() { return music_.Player(); }

    void EnableTimer(SessionTimer timer, bool enabled) override;
    // The X events waiting are the main loop's: a quit runs none of them.
    bool RunWaitingEvent() override { return false; }
    std::int32_t VerifyPassword() override { return 1; }
    void RunOnMusicThread(std::function<void()> work, std::function<void()> done) override {
        music_.Post(std::move(work), std::move(done));
    }
    bool WaitForMusicThread(int milliseconds) override;
    void DropWaitingMusicWork() override { music_.DropWaiting(); }
    // The daemon's window is the daemon's to take away; a window of our own
    // goes with the connection.
    void Close() override {}
    void End() override { ended_ = true; }

    bool Ended() const { return ended_; }
    // The music thread has finished everything it was given.
    bool MusicIdle() { return music_.WaitIdle(0); }
    int MusicResultsFd() const { return music_.ResultsFd(); }
    void DeliverMusicResults() { music_.Deliver(); }
    // When the next timer is due; none while all are off.
    std::optional<SteadyClock::time_point> NextTimer() const;
    // Ticks every timer due by `now`, in their order, each once.
    void RunDueTimers(SteadyClock::time_point now, const std::function<void(SessionTimer)>& tick);

private:
    MusicThread music_;
    std::optional<SteadyClock::time_point> due_[kSessionTimers];
    bool ended_ = false;
};

} // namespace lumora::x11
