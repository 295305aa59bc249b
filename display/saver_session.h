// The screen saver's session around the shower: what ends it (the input rules
// and the quit, with the old family's password), the background music (its
// start after the first frames, its watches and its stop, all on the music's
// own thread), and what start-up did to the system, given back at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "music/music_player.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "startup/command_line.h"

namespace lumora {

// The keys as the session tells them apart: the arrows step the CD's tracks.
enum class Key { PreviousTrack, NextTrack, Other };

enum class SessionTimer {
    FileMusicWatch, // every second: the file starts again when it has ended
    CdWatch,        // every 200 ms: the CD keeps playing its track
    MusicDeadline,  // once, 3 s after the music began to start: it is given up
};
inline constexpr int kSessionTimers = 3;

// What the window system does for the session.
class SessionHost {
public:
    virtual ~SessionHost() = default;
    virtual void EnableTimer(SessionTimer timer, bool enabled) = 0;
    // Runs one window event that is waiting; false when none was.
    virtual bool RunWaitingEvent() = 0;
    // The old family's password check with the window as owner; nonzero when accepted.
    virtual std::int32_t VerifyPassword() = 0;
    // Runs `work` on the music's own thread, each piece after the ones given
    // before it, then `done` on the window's thread as one of its events;
    // `done` is dropped when the window has gone by then. The music's devices
    // are used from that one thread only, and never hold up the window.
    virtual void RunOnMusicThread(std::function<void()> work, std::function<void()> done) = 0;
    // Waits at most this long for the music's thread to finish what it was
    // given; true when it did.
    virtual bool WaitForMusicThread(int milliseconds) = 0;
    // Drops the music work given but not yet begun; the piece under way finishes.
    virtual void DropWaitingMusicWork() = 0;
    // Takes the saver's window off the screen.
    virtual void Close() = 0;
    // Ends the run: the message loop ends, and the program with it.
    virtual void End() = 0;
};

// What the session asks of the system itself: the time, and around a quit in
// the saver's mode the cursor and the running flag.
struct SessionSeams {
    platform::Clock& clock;
    platform::Cursor& cursor;
    platform::Saver& saver;

    SessionSeams(platform::Clock& clockSeam, platform::Cursor& cursorSeam, platform::Saver& saverSeam)
        : clock(clockSeam), cursor(cursorSeam), saver(saverSeam) {}
    // Not explicit: a whole platform serves wherever these are asked for.
    SessionSeams(const platform::Platform& platform)
        : clock(platform.clock), cursor(platform.cursor), saver(platform.saver) {}
};

class SaverSession {
public:
    // The music player is used on the music's thread only, and must outlive
    // the work given to it.
    SaverSession(SessionSeams seams, SessionHost& host, MusicPlayer& music, Settings settings, Mode mode);

    // Frames shown before the music may touch a file or a device.
    static constexpr int kFramesBeforeMusic = 2;
    // Status queries of the CD that may fail in a row before its watch gives up.
    static constexpr int kCdFailuresToGiveUp = 3;
    // How long a quit waits for the music to stop before it ends regardless.
    static constexpr int kStopWaitMs = 1000;
    // How long the music may take to start before it is given up for the run.
    static constexpr int kMusicGiveUpMs = 3000;
    // What a quit lets run of the window events waiting for it: on a machine
    // whose frames take as long as their period, a frame is always due.
    static constexpr int kEventsBeforeQuit = 64;
    static constexpr int kEventsBeforeQuitMs = 250;

    static int IntervalMs(SessionTimer timer);

    // A frame is on the screen: after the first few the music starts, in the
    // background.
    void OnFrameShown();
    // A tick of one of the timers; it counts only while that timer is on.
    void OnTimer(SessionTimer timer);
    void OnClick();
    void OnMouseMove(float x, float y);
    // The arrows step the CD's tracks while it plays; every other key quits.
    void OnKey(Key key);
    // Stops everything and ends the run; false when the password was refused
    // (or a quit is already under way further up the stack).
    bool Quit();

    bool TimerEnabled(SessionTimer timer) const { return timers_[static_cast<std::size_t>(timer)]; }
    // The music has started and is watched.
    bool MusicReady() const { return musicReady_; }
    // The run has ended: nothing of it is left but leaving.
    bool Ended() const { return ended_; }

private:
    void EnableTimer(SessionTimer timer, bool enabled);
    // Runs a piece of music work on the music's thread; `after` then runs here.
    void OnMusicThread(std::function<void(MusicPlayer&)> work, std::function<void()> after = {});
    void BeginMusic();
    void OnMusicStarted(const std::shared_ptr<struct MusicJob>& job);
    void OnMusicDeadline();
    void WatchFile();
    void WatchCd();
    void StepTracks();
    void StopMusic();
    void RunWaitingEvents();

    const SessionSeams seams_;
    SessionHost& host_;
    MusicPlayer& music_;
    const Settings settings_;
    const Mode mode_;

    struct {
        float x = 0;
        float y = 0;
        bool taken = false;
    } mouseStart_;
    bool timers_[kSessionTimers] = {};
    bool quitting_ = false;
    bool ended_ = false;
    bool musicPending_ = false; // to start once the first frames are shown
    int framesShown_ = 0;
    std::shared_ptr<struct MusicJob> job_; // the start under way, shared with its thread
    std::uint32_t musicBegan_ = 0;         // the tick count when it began
    bool musicReady_ = false;
    int cdFailures_ = 0;
    bool watchBusy_ = false; // a watch is still on the music's thread: skip ticks
    // Arrow presses not yet sent to the drive, next minus previous: they go as
    // one step once the step under way has come back.
    int stepsWaiting_ = 0;
    bool stepBusy_ = false;
};

} // namespace lumora
