// The full-screen shower of shooting stars, its music, its input and its exit.
// Plain C++: the window, the bitmap and the timers are reached through
// DisplayHost, which display_win32.cpp implements over Win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "display/random.h"
#include "music/music.h"
#include "platform/geometry.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "startup/command_line.h"

namespace lumora {

struct Star {
    double x = 0;
    double y = 0;
    std::int32_t color = 0; // red in the lowest byte, then green, then blue
    double dx = 0;          // the step of one frame
    double dy = 0;
};

// The pixels of the drawing surface: rows top-down, 0x00RRGGBB each, as a
// 32-bit DIB section holds them. stride is in pixels.
struct PixelView {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// The screen as the display sees it: every monitor, in the coordinates of the
// whole desktop, whose origin is the primary monitor's top left.
struct ScreenMetrics {
    Rect bounds;               // all monitors together: the window covers this
    std::vector<Rect> monitors; // the primary first
    float twipsPerPixelX = 15;
    float twipsPerPixelY = 15;

    // One monitor of this size at the origin.
    static ScreenMetrics Single(int width, int height, float twipsX = 15, float twipsY = 15) {
        return {Rect{0, 0, width, height}, {Rect{0, 0, width, height}}, twipsX, twipsY};
    }
};

// The shower of one monitor: its part of the surface and its own stars and radiant.
struct StarField {
    Rect place;       // within the surface, in pixels
    PixelView pixels; // that part of the surface
    int width = 0;    // the field's scale size, in pixels
    int height = 0;
    std::vector<Star> stars;
    double radiantX = 0; // within the field
    double radiantY = 0;
    bool building = true; // the next frame scatters the stars
};

enum class DisplayTimer {
    FileMusicWatch, // every second: the MP3 starts again when it has ended
    CdWatch,        // every 200 ms: the CD keeps playing its track
    Frame,          // every 10 ms: the stars move
    RadiantJump,    // every 5 s: the stars fly out of another point
    MusicDeadline,  // once, 3 s after the music began to start: it is given up
};
inline constexpr int kDisplayTimers = 5;

// What the window system does for the display.
class DisplayHost {
public:
    virtual ~DisplayHost() = default;
    virtual ScreenMetrics Screen() = 0;
    // The window's outer rectangle, in desktop pixels (left and top may be negative).
    virtual void PlaceWindow(int left, int top, int width, int height) = 0;
    // Gives the drawing surface this size at (0, 0), all black, and returns its pixels.
    virtual PixelView SizeSurface(int width, int height) = 0;
    virtual void Show() = 0;
    // Puts the window above all others without activating it; nonzero on success.
    virtual std::int32_t MakeTopmost() = 0;
    virtual void EnableTimer(DisplayTimer timer, bool enabled) = 0;
    // Shows these parts of the surface on screen after a frame: only the monitors'.
    virtual void Present(const std::vector<Rect>& areas) = 0;
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
    virtual void Close() = 0;
    virtual void EndProcess() = 0;
};

class StarDisplay {
public:
    static constexpr int kDefaultStars = 1000;

    StarDisplay(const platform::Platform& platform, DisplayHost& host, RandomSource& random,
                const Settings& settings, Mode mode, int starCount = kDefaultStars);

    // Covers every monitor, seeds the generator and starts the timers. The
    // music starts after the first frames are on screen, in the background.
    void Start();
    // Monitors came, went or changed: the window and the showers are laid anew.
    void OnDisplayChange();

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

    // A tick of one of the timers; the handlers below are what each runs.
    void OnTimer(DisplayTimer timer);
    void OnFrameTimer();
    void OnMusicDeadline();
    void OnRadiantTimer();
    void OnCdWatchTimer();
    void OnFileMusicTimer();
    void OnClick();
    void OnMouseMove(float x, float y);
    // Left and right step the CD's tracks; every other key quits.
    void OnKey(int keyCode);
    // Stops everything and ends the process; false when the password was refused
    // (or a quit is already under way further up the stack).
    bool Quit();

    // What the tests and the benchmark look at: the showers, the primary
    // monitor's first.
    const std::vector<StarField>& Fields() const { return fields_; }
    const std::vector<Star>& Stars() const { return fields_.front().stars; }
    double RadiantX() const { return fields_.front().radiantX; }
    double RadiantY() const { return fields_.front().radiantY; }
    int SurfaceWidth() const { return fields_.front().width; }
    int SurfaceHeight() const { return fields_.front().height; }
    bool TimerEnabled(DisplayTimer timer) const { return timers_[static_cast<std::size_t>(timer)]; }
    // The music has started and is watched.
    bool MusicReady() const { return musicReady_; }
    // A deliberate test seam: puts the primary monitor's stars where a test
    // wants them, as if the building frame had already run.
    void PlaceStars(std::vector<Star> stars);
    // Draws one plus onto the primary monitor's shower.
    void PlotStar(double x, double y, std::int32_t arm, std::int32_t core);

private:
    std::int32_t RandomColor(double scale, double offset);
    void EnableTimer(DisplayTimer timer, bool enabled);
    void LayOut();
    void ScatterStars(StarField& field);
    void MoveStars(StarField& field);
    // Runs a piece of music work on the music's thread; `after` then runs here.
    void OnMusicThread(std::function<void(Music&)> work, std::function<void()> after = {});
    void BeginMusic();
    void OnMusicStarted(const std::shared_ptr<struct MusicJob>& job);
    void StopMusic();
    void StepTracks();
    void RunWaitingEvents();

    const platform::Platform& platform_;
    DisplayHost& host_;
    RandomSource& random_;
    const Settings settings_;
    const Mode mode_;
    const int starCount_;
    Music music_;

    std::vector<StarField> fields_ = std::vector<StarField>(1);
    std::vector<Rect> shown_; // the fields' places, handed to every Present
    struct {
        float x = 0;
        float y = 0;
        bool taken = false;
    } mouseStart_;
    bool timers_[kDisplayTimers] = {};
    bool quitting_ = false;
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
