#include "display/display.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <utility>

#include "platform/geometry.h"
#include "platform/screen_saver.h"

namespace lumora {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

int Nearest(double value) { return static_cast<int>(std::nearbyint(value)); }

void Put(const PixelView& view, int x, int y, std::uint32_t pixel) {
    if (x >= 0 && y >= 0 && x < view.width && y < view.height)
        view.bits[static_cast<std::ptrdiff_t>(y) * view.stride + x] = pixel;
}

// A coordinate belongs to the pixel whose square holds its single-precision
// value: its floor. Erasing and drawing both come through Plot, so an erase
// removes exactly the pixels that the draw set, and no pixel off the surface is
// ever written.
struct Target {
    explicit Target(const PixelView& pixels)
        : view(pixels),
          right(static_cast<float>(pixels.width - 1)),
          bottom(static_cast<float>(pixels.height - 1)) {}
    PixelView view;
    float right;  // a plus whose centre is left of this and of `bottom`, and at
    float bottom; // least 1 from the top left, lies wholly on the surface
};

// A plus at or over the border, or far out: each pixel on its own.
[[gnu::noinline]] void PlotAtBorder(const PixelView& view, float x, float y, std::uint32_t arm,
                                    std::uint32_t core) {
    // Far out (or not a number): nothing of it can touch the surface, and its
    // coordinates may not even fit an int.
    if (view.bits == nullptr || !(x >= -2.0f && y >= -2.0f && x < static_cast<float>(view.width) + 2.0f &&
                                  y < static_cast<float>(view.height) + 2.0f))
        return;
    const int px = static_cast<int>(std::floor(x));
    const int py = static_cast<int>(std::floor(y));
    Put(view, px, py, core);
    Put(view, px + 1, py, arm);
    Put(view, px, py + 1, arm);
    Put(view, px, py - 1, arm);
    Put(view, px - 1, py, arm);
}

inline void Plot(const Target& target, double x, double y, std::uint32_t arm, std::uint32_t core) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    if (fx >= 1.0f && fy >= 1.0f && fx < target.right && fy < target.bottom) {
        // Positive here, so truncation is the floor.
        const std::ptrdiff_t stride = target.view.stride;
        std::uint32_t* centre = target.view.bits + static_cast<std::ptrdiff_t>(fy) * stride +
                                static_cast<std::ptrdiff_t>(fx);
        centre[0] = core;
        centre[1] = arm;
        centre[stride] = arm;
        centre[-stride] = arm;
        centre[-1] = arm;
    } else {
        PlotAtBorder(target.view, fx, fy, arm, core);
    }
}

} // namespace

// A start of the music under way on its own thread. Whichever comes first wins:
// the thread finishing, or the display giving the start up (its deadline, or a
// quit); a thread that finishes after being given up stops what it started.
struct MusicJob {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    MusicStarted started;
};

StarDisplay::StarDisplay(const platform::Platform& platform, DisplayHost& host, RandomSource& random,
                         const Settings& settings, Mode mode, int starCount)
    : platform_(platform),
      host_(host),
      random_(random),
      settings_(settings),
      mode_(mode),
      starCount_(starCount),
      music_(platform, settings) {}

void StarDisplay::EnableTimer(DisplayTimer timer, bool enabled) {
    timers_[static_cast<std::size_t>(timer)] = enabled;
    host_.EnableTimer(timer, enabled);
}

void StarDisplay::Start() {
    LayOut();

    // Seeded from the clock, then again a random number of times more: two
    // starts in the same millisecond still differ.
    random_.Seed(static_cast<std::int32_t>(platform_.clock.TickCount()));
    for (int rounds = Nearest(10.0 * static_cast<double>(random_.Next()) + 1.0); rounds != 0; --rounds)
        random_.Seed(static_cast<std::int32_t>(platform_.clock.TickCount()));

    // A music file can take long to open (a share that does not answer, a huge
    // file): the screen is covered first.
    musicPending_ = settings_.music == MusicKind::AudioCd || settings_.music == MusicKind::SoundFile;

    host_.Show();
    host_.MakeTopmost();
    EnableTimer(DisplayTimer::Frame, true);
    EnableTimer(DisplayTimer::RadiantJump, true);
}

void StarDisplay::OnDisplayChange() { LayOut(); }

void StarDisplay::LayOut() {
    ScreenMetrics screen = host_.Screen();
    if (screen.monitors.empty()) screen.monitors = {screen.bounds};
    const Rect& bounds = screen.bounds;
    const int surfaceWidth = bounds.right - bounds.left;
    const int surfaceHeight = bounds.bottom - bounds.top;
    host_.PlaceWindow(bounds.left, bounds.top, surfaceWidth, surfaceHeight);
    const PixelView surface = host_.SizeSurface(surfaceWidth, surfaceHeight);

    // A field's size in pixels, from its monitor in twips. Should the twips per
    // pixel round to nothing, the step falls back to the monitor's own pixels.
    auto pixels = [](int monitorPixels, float twipsPerPixel) {
        const int perPixel = Nearest(static_cast<double>(twipsPerPixel));
        return perPixel == 0 ? monitorPixels
                             : Nearest(monitorPixels * static_cast<double>(twipsPerPixel)) / perPixel;
    };
    fields_.clear();
    shown_.clear();
    for (const Rect& monitor : screen.monitors) {
        StarField field;
        field.width = pixels(monitor.right - monitor.left, screen.twipsPerPixelX);
        field.height = pixels(monitor.bottom - monitor.top, screen.twipsPerPixelY);
        // Its part of the surface, cut to what the surface holds.
        const int left = std::clamp(monitor.left - bounds.left, 0, surfaceWidth);
        const int top = std::clamp(monitor.top - bounds.top, 0, surfaceHeight);
        const int right = std::clamp(left + field.width, left, surfaceWidth);
        const int bottom = std::clamp(top + field.height, top, surfaceHeight);
        field.place = {left, top, right, bottom};
        if (surface.bits != nullptr && right > left && bottom > top)
            field.pixels = PixelView{surface.bits + static_cast<std::ptrdiff_t>(top) * surface.stride + left,
                                     right - left, bottom - top, surface.stride};
        field.stars.assign(static_cast<std::size_t>(starCount_ > 0 ? starCount_ : 0), Star{});
        field.radiantX = field.width / 2;
        field.radiantY = field.height / 2;
        shown_.push_back(field.place);
        fields_.push_back(std::move(field));
    }
}

void StarDisplay::OnTimer(DisplayTimer timer) {
    // Any program may post WM_TIMER with one of the display's timer numbers: a
    // tick counts only while its timer is on.
    if (!TimerEnabled(timer)) return;
    switch (timer) {
    case DisplayTimer::FileMusicWatch: OnFileMusicTimer(); break;
    case DisplayTimer::CdWatch: OnCdWatchTimer(); break;
    case DisplayTimer::Frame: OnFrameTimer(); break;
    case DisplayTimer::RadiantJump: OnRadiantTimer(); break;
    case DisplayTimer::MusicDeadline: OnMusicDeadline(); break;
    }
}

void StarDisplay::OnFrameTimer() {
    for (StarField& field : fields_) {
        if (field.building) {
            ScatterStars(field);
            field.building = false;
        } else {
            MoveStars(field);
        }
    }
    host_.Present(shown_);
    if (musicPending_ && ++framesShown_ >= kFramesBeforeMusic) BeginMusic();
}

void StarDisplay::OnMusicThread(std::function<void(Music&)> work, std::function<void()> after) {
    Music* music = &music_;
    host_.RunOnMusicThread([music, work = std::move(work)] { work(*music); },
                           after ? std::move(after) : [] {});
}

void StarDisplay::BeginMusic() {
    musicPending_ = false;
    auto job = std::make_shared<MusicJob>();
    job_ = job;
    musicBegan_ = platform_.clock.TickCount();
    EnableTimer(DisplayTimer::MusicDeadline, true);
    OnMusicThread(
        [job](Music& music) {
            const MusicStarted started = music.Start([&job] {
                std::lock_guard<std::mutex> lock(job->mutex);
                return !job->abandoned;
            });
            bool undo = false;
            {
                std::lock_guard<std::mutex> lock(job->mutex);
                job->started = started;
                job->finished = true;
                undo = job->abandoned;
            }
            if (undo) music.Stop(started);
        },
        [this, job] { OnMusicStarted(job); });
}

void StarDisplay::OnMusicStarted(const std::shared_ptr<MusicJob>& job) {
    {
        std::lock_guard<std::mutex> lock(job->mutex);
        if (job != job_ || job->abandoned) return;
    }
    EnableTimer(DisplayTimer::MusicDeadline, false);
    musicReady_ = true;
    // Whatever the start achieved, its watch runs and copes.
    if (job->started.playing == MusicPlaying::AudioCd) EnableTimer(DisplayTimer::CdWatch, true);
    if (job->started.playing == MusicPlaying::Mp3) EnableTimer(DisplayTimer::FileMusicWatch, true);
}

void StarDisplay::OnMusicDeadline() {
    // A tick posted before its time would give up a start that may yet work.
    if (platform_.clock.TickCount() - musicBegan_ < static_cast<std::uint32_t>(kMusicGiveUpMs)) return;
    EnableTimer(DisplayTimer::MusicDeadline, false);
    if (!job_) return;
    std::lock_guard<std::mutex> lock(job_->mutex);
    // Given up silently: the stars go on without music.
    if (!job_->finished) job_->abandoned = true;
}

void StarDisplay::StopMusic() {
    if (TimerEnabled(DisplayTimer::CdWatch)) EnableTimer(DisplayTimer::CdWatch, false);
    if (TimerEnabled(DisplayTimer::FileMusicWatch)) EnableTimer(DisplayTimer::FileMusicWatch, false);
    if (!job_) return;
    bool finished = false;
    {
        std::lock_guard<std::mutex> lock(job_->mutex);
        finished = job_->finished && !job_->abandoned;
        // A start still under way stops itself when it finishes.
        job_->abandoned = true;
    }
    if (!finished) return;
    // Track steps and watches still waiting would only hold the stop up: on a
    // drive that answers slowly, long enough for the disc to play on after the
    // saver has gone.
    host_.DropWaitingMusicWork();
    const MusicStarted started = job_->started;
    OnMusicThread([started](Music& music) { music.Stop(started); });
}

void StarDisplay::OnFileMusicTimer() {
    if (watchBusy_) return;
    watchBusy_ = true;
    OnMusicThread([](Music& music) { music.WatchMp3(); }, [this] { watchBusy_ = false; });
}

void StarDisplay::OnCdWatchTimer() {
    if (watchBusy_) return;
    watchBusy_ = true;
    auto readable = std::make_shared<bool>(false);
    OnMusicThread([readable](Music& music) { *readable = music.WatchCd(); },
                  [this, readable] {
                      watchBusy_ = false;
                      // A drive that cannot be read a few times in a row is given
                      // up for the run.
                      if (*readable) {
                          cdFailures_ = 0;
                      } else if (++cdFailures_ >= kCdFailuresToGiveUp) {
                          EnableTimer(DisplayTimer::CdWatch, false);
                      }
                  });
}

void StarDisplay::PlaceStars(std::vector<Star> stars) {
    fields_.front().stars = std::move(stars);
    fields_.front().building = false;
}

void StarDisplay::PlotStar(double x, double y, std::int32_t arm, std::int32_t core) {
    Plot(Target(fields_.front().pixels), x, y, ColorToPixel(arm), ColorToPixel(core));
}

std::int32_t StarDisplay::RandomColor(double scale, double offset) {
    const int red = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int green = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int blue = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    return MakeColor(red, green, blue);
}

void StarDisplay::ScatterStars(StarField& field) {
    const float width = static_cast<float>(field.width);
    const float height = static_cast<float>(field.height);
    const double radiantX = field.radiantX;
    const double radiantY = field.radiantY;
    const Target target(field.pixels);
    for (Star& star : field.stars) {
        // The point is drawn in single precision, as the surface's scale is.
        const double px = static_cast<double>(random_.Next() * width);
        const double py = static_cast<double>(random_.Next() * height);
        const double rx = px - radiantX;
        const double ry = py - radiantY;
        const double sy = ry < 0 ? -1.0 : 1.0;
        const double sx = rx < 0 ? -1.0 : 1.0;
        double ax = std::fabs(rx);
        double ay = std::fabs(ry);
        if (ax == 0) ax = 1;
        if (ay == 0) ay = 1;
        star.dx = sx * ax / ay;
        star.dy = sy * ay / ax;
        star.color = RandomColor(128, 128);
        star.x = radiantX + sx * ax;
        star.y = radiantY + sy * ay;
        Plot(target, star.x, star.y, ColorToPixel(star.color), ColorToPixel(kWhite));
    }
}

void StarDisplay::MoveStars(StarField& field) {
    const float right = static_cast<float>(field.width + 5);
    const float bottom = static_cast<float>(field.height + 5);
    const double radiantX = field.radiantX;
    const double radiantY = field.radiantY;
    const std::uint32_t white = ColorToPixel(kWhite);
    // A local copy: pixel stores could otherwise alias the view's own fields,
    // and the compiler would read them again after every pixel.
    const Target target(field.pixels);
    for (Star& star : field.stars) {
        Plot(target, star.x, star.y, 0, 0);
        star.x += star.dx;
        star.y += star.dy;
        if (static_cast<float>(star.y) > bottom || static_cast<float>(star.x) > right ||
            star.x < -5 || star.y < -5) {
            star.x = radiantX;
            star.y = radiantY;
            star.color = RandomColor(256, 0);
        }
        Plot(target, star.x, star.y, ColorToPixel(star.color), white);
    }
}

void StarDisplay::OnRadiantTimer() {
    // The time of day as a single-precision number, fractions and all.
    random_.Seed(static_cast<double>(static_cast<float>(platform_.clock.SecondsSinceMidnight())));
    for (StarField& field : fields_) {
        const int mx = Nearest(field.width) / 5;
        const int my = Nearest(field.height) / 5;
        field.radiantX = std::floor(mx + (field.width - 2.0 * mx + 1) * static_cast<double>(random_.Next()));
        field.radiantY = std::floor(my + (field.height - 2.0 * my + 1) * static_cast<double>(random_.Next()));
    }
}

void StarDisplay::OnClick() { Quit(); }

void StarDisplay::OnMouseMove(float x, float y) {
    // Started without a switch (a test run from the desktop), the mouse may rest anywhere.
    if (mode_ == Mode::NoSwitch) return;
    if (!mouseStart_.taken) {
        mouseStart_.x = x;
        mouseStart_.y = y;
        mouseStart_.taken = true;
        return;
    }
    if (x != mouseStart_.x && y != mouseStart_.y) {
        if (!Quit()) mouseStart_.taken = false;
    }
}

void StarDisplay::OnKey(int keyCode) {
    if (settings_.music == MusicKind::AudioCd && (keyCode == kKeyLeft || keyCode == kKeyRight)) {
        // While the CD is still starting, the arrows wait for it rather than end.
        if (!musicReady_) return;
        stepsWaiting_ += keyCode == kKeyLeft ? -1 : +1;
        StepTracks();
    } else {
        Quit();
    }
}

void StarDisplay::StepTracks() {
    // One step at a time on the music's thread: presses made meanwhile add up,
    // so a quit never finds a queue of them ahead of its stop.
    if (stepBusy_ || stepsWaiting_ == 0) return;
    const int steps = stepsWaiting_;
    stepsWaiting_ = 0;
    stepBusy_ = true;
    OnMusicThread([steps](Music& music) { music.StepTracks(steps); },
                  [this] {
                      stepBusy_ = false;
                      StepTracks();
                  });
}

void StarDisplay::RunWaitingEvents() {
    const std::uint32_t began = platform_.clock.TickCount();
    for (int count = 0; count < kEventsBeforeQuit && host_.RunWaitingEvent(); ++count)
        if (platform_.clock.TickCount() - began >= static_cast<std::uint32_t>(kEventsBeforeQuitMs)) break;
}

bool StarDisplay::Quit() {
    // The events run below may ask to quit again; only the first asking counts,
    // so the password is never asked twice for one quit.
    if (quitting_) return false;
    quitting_ = true;
    RunWaitingEvents();

    const bool saverMode = mode_ == Mode::Saver;
    if (saverMode && !IsNtFamily(platform_.saver)) {
        platform_.cursor.Show(true);
        if (host_.VerifyPassword() == 0) {
            platform_.cursor.Show(false);
            quitting_ = false;
            return false;
        }
    }

    StopMusic();

    if (saverMode) {
        MarkScreenSaverRunning(platform_.saver, false);
        platform_.cursor.Show(true);
    }
    host_.Close();
    // A process that ends while a device is still opening, or open, can fall
    // over in the driver's clean-up (under Wine, GStreamer's): the music's
    // thread gets a while to finish its stop, or the undoing of a start still
    // under way. The screen is already given back, and a device that does not
    // answer holds up the end no longer than that.
    if (job_) host_.WaitForMusicThread(kStopWaitMs);
    host_.EndProcess();
    return true;
}

} // namespace lumora
