// The loop every Linux session runs: it waits on the display server's
// connection, SIGTERM and SIGINT, and the music's results, and between them
// lets the run do what is due. The display server's side (X11 now) gives only
// its connection, its events and its way of showing a step.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "display/frame_rate.h"
#include "display/saver_run.h"
#include "display/saver_session.h"
#include "linux/fd.h"
#include "platform/clock.h"

namespace lumora::linux_desktop {

// SIGTERM and SIGINT, blocked in every thread made after this (GStreamer's
// among them) and readable here instead, so that the loop ends between steps.
// Made first, before any thread is.
class EndingSignals {
public:
    EndingSignals();
    int Fd() const { return fd_.Get(); }
    // Reads the signal that has come and keeps it.
    void Take();
    // Once everything is cleaned up: ends the process by the signal taken, as
    // its default would have at once. A daemon calls that a normal end (its
    // SIGTERM obeyed); an exit, even with status 0, is a hack that died of
    // itself. Returns when none was taken.
    void EndByTaken() const;

private:
    UniqueFd fd_;
    int taken_ = 0;
};

// A steady clock in microseconds, for the frame rate.
std::int64_t SteadyMicroseconds();

class SystemClock final : public platform::Clock {
public:
    std::uint32_t TickCount() override;
    double SecondsSinceMidnight() override;
};

// A counter the loop polls: the music's thread counts its results there.
class Wakeup {
public:
    Wakeup();
    int Fd() const { return fd_->Get(); }
    // What the music's thread calls; it keeps the counter, should it outlive this object.
    std::function<void()> Waker() const;
    // Reads the count back to nothing.
    void Clear();

private:
    std::shared_ptr<UniqueFd> fd_;
};

// Under a daemon, which keeps the cursor and the screen lock, the system takes
// no part and no password is asked; the daemon wants a hack gone at once (and
// warns after ten seconds), so a quit waits no longer than this for the music
// to stop, and a thread that a device holds is left to the end of the process.
inline constexpr int kLongestStopWaitMs = 50;
SessionRules HackRules();

// The window system's side of a session whose events the loop reads: a quit
// runs none of them, and the display server's window is its own to take away.
class LoopHost final : public SessionHost {
public:
    bool RunWaitingEvent() override { return false; }
    std::int32_t VerifyPassword() override { return 1; }
    void Close() override {}
    void End() override {}
};

// What the display server's side does for the loop.
class LoopDisplay {
public:
    virtual ~LoopDisplay() = default;
    virtual int ConnectionFd() const = 0;
    // Handles every event that has come, read or waiting.
    virtual void HandleEvents() = 0;
    // A step is about to draw: false when what it draws in is not to hand
    // (the display server holds it), and the step waits for the next event.
    virtual bool ReadyToStep() { return true; }
    // Shows what the run's step changed.
    virtual void Present() = 0;
    // Whether any of it can be seen now: a display server that tells when a
    // screen is off or covered lets the stars rest there.
    virtual bool Showing() const { return true; }
};

// Runs until the session has ended: its events, its steps, its timers, the
// music's results, and SIGTERM or SIGINT, which end it through its quit.
// With `rate`, the time it sleeps is told there (the load of -fps).
void RunLoop(SaverRun& run, LoopDisplay& display, EndingSignals& signals, Wakeup& music, FrameRate* rate = nullptr);

} // namespace lumora::linux_desktop
