// The screen saver's session around the shower: what ends it (the input rules
// and the quit, with the old family's password), the background music (its
// start after the first frames, its watches and its stop, all on the music's
// own thread), and what start-up did to the system, given back at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "music/music_player.h"
#include "music/music_thread.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

// The keys as the session tells them apart: the arrows step the CD's tracks.
enum class Key { PreviousTrack, NextTrack, Other };

enum class SessionTimer {
    FileMusicWatch, // every second: the file starts again when it has ended
    CdWatch,        // every 200 ms: the CD keeps playing its track
    MusicDeadline,  // once, 3 s after the music began to start: it is given up
};
inline constexpr int kSessionTimers = 3;

// Keeps the session's timers: a timer that is on ticks at its interval.
class SessionTimers {
public:
    virtual ~SessionTimers() = default;
    virtual void EnableTimer(SessionTimer timer, bool enabled) = 0;
};

// What the window system does for the session.
class SessionHost {
public:
    virtual ~SessionHost() = default;
    // Runs one window event that is waiting; false when none was.
    virtual bool RunWaitingEvent() = 0;
    // The old family's password check with the window as owner; nonzero when accepted.
    virtual std::int32_t VerifyPassword() = 0;
    // Takes the saver's window off the screen.
    virtual void Close() = 0;
    // Ends the run: the message loop ends, and the program with it.
    virtual void End() = 0;
};

// How this session ends, and what it gives back: the entry decides, from the
// switch Windows started it with, or from the kind of session on Linux.
struct SessionRules {
    // A move of the mouse in both axes ends it; its first position is no move.
    bool mouseMoveEnds = false;
    // The system takes part: start-up hid the cursor and told the system that a
    // screen saver runs, and the quit gives both back.
    bool systemTakesPart = false;
    // The old family's own password is asked before it ends.
    bool asksPassword = false;
    // How long a quit waits for the music to stop before it ends regardless.
    int stopWaitMs = 1000;
};

// What the session asks of the system itself: the time, and where the rules
// give the system a part, the cursor and the running flag.
struct SessionSeams {
    platform::Clock& clock;
    platform::Cursor* cursor = nullptr;
    platform::Saver* saver = nullptr;

    explicit SessionSeams(platform::Clock& clockSeam, platform::Cursor* cursorSeam = nullptr,
                          platform::Saver* saverSeam = nullptr)
        : clock(clockSeam), cursor(cursorSeam), saver(saverSeam) {}
    // Not explicit: a whole platform serves wherever these are asked for.
    SessionSeams(const platform::Platform& platform)
        : clock(platform.clock), cursor(&platform.cursor), saver(&platform.saver) {}
};

class SaverSession {
public:
    // The player is reached through the music's thread only.
    SaverSession(SessionSeams seams, SessionHost& host, SessionTimers& timers, MusicQueue& music, Settings settings,
                 SessionRules rules);

    // Frames shown before the music may touch a file or a device.
    static constexpr int kFramesBeforeMusic = 2;
    // Status queries of the CD that may fail in a row before its watch gives up.
    static constexpr int kCdFailuresToGiveUp = 3;
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
    void ShowCursor(bool show);

    const SessionSeams seams_;
    SessionHost& host_;
    SessionTimers& timerKeeper_;
    MusicQueue& music_;
    const Settings settings_;
    const SessionRules rules_;

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
