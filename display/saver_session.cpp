#include "display/saver_session.h"

#include <mutex>
#include <string>
#include <utility>

#include "startup/screen_saver.h"

namespace lumora {

// A start of the music under way on its own thread. Whichever comes first wins:
// the thread finishing, or the display giving the start up (its deadline, or a
// quit); a thread that finishes after being given up stops what it started.
struct MusicJob {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    MusicStarted started;
};


SaverSession::SaverSession(SessionSeams seams, SessionHost& host, SessionTimers& timers, MusicQueue& music,
                           Settings settings, SessionRules rules)
    : seams_(seams),
      host_(host),
      timerKeeper_(timers),
      music_(music),
      settings_(std::move(settings)),
      rules_(rules),
      // A music file can take long to open (a share that does not answer, a
      // huge file): the screen is covered first.
      musicPending_(settings_.music == MusicKind::AudioCd || settings_.music == MusicKind::SoundFile) {}

int SaverSession::IntervalMs(SessionTimer timer) {
    switch (timer) {
    case SessionTimer::FileMusicWatch: return 1000;
    case SessionTimer::CdWatch: return 200;
    case SessionTimer::MusicDeadline: return kMusicGiveUpMs;
    }
    return 1000;
}

void SaverSession::EnableTimer(SessionTimer timer, bool enabled) {
    timers_[static_cast<std::size_t>(timer)] = enabled;
    timerKeeper_.EnableTimer(timer, enabled);
}

void SaverSession::OnTimer(SessionTimer timer) {
    // Any program may post WM_TIMER with one of the saver's timer numbers: a
    // tick counts only while its timer is on.
    if (!TimerEnabled(timer)) return;
    switch (timer) {
    case SessionTimer::FileMusicWatch: WatchFile(); break;
    case SessionTimer::CdWatch: WatchCd(); break;
    case SessionTimer::MusicDeadline: OnMusicDeadline(); break;
    }
}

void SaverSession::OnFrameShown() {
    if (musicPending_ && ++framesShown_ >= kFramesBeforeMusic) BeginMusic();
}

void SaverSession::OnMusicThread(std::function<void(MusicPlayer&)> work, std::function<void()> after) {
    music_.Post(std::move(work), after ? std::move(after) : [] {});
}

void SaverSession::BeginMusic() {
    musicPending_ = false;
    auto job = std::make_shared<MusicJob>();
    job_ = job;
    musicBegan_ = seams_.clock.TickCount();
    EnableTimer(SessionTimer::MusicDeadline, true);
    OnMusicThread(
        [job](MusicPlayer& music) {
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

void SaverSession::OnMusicStarted(const std::shared_ptr<MusicJob>& job) {
    {
        std::lock_guard<std::mutex> lock(job->mutex);
        if (job != job_ || job->abandoned) return;
    }
    EnableTimer(SessionTimer::MusicDeadline, false);
    musicReady_ = true;
    // Whatever the start achieved, its watch runs and copes.
    if (job->started.playing == MusicPlaying::AudioCd) EnableTimer(SessionTimer::CdWatch, true);
    if (job->started.playing == MusicPlaying::WatchedFile) EnableTimer(SessionTimer::FileMusicWatch, true);
}

void SaverSession::OnMusicDeadline() {
    // A tick posted before its time would give up a start that may yet work.
    if (seams_.clock.TickCount() - musicBegan_ < static_cast<std::uint32_t>(kMusicGiveUpMs)) return;
    EnableTimer(SessionTimer::MusicDeadline, false);
    if (!job_) return;
    std::lock_guard<std::mutex> lock(job_->mutex);
    // Given up silently: the stars go on without music.
    if (!job_->finished) job_->abandoned = true;
}

void SaverSession::StopMusic() {
    if (TimerEnabled(SessionTimer::CdWatch)) EnableTimer(SessionTimer::CdWatch, false);
    if (TimerEnabled(SessionTimer::FileMusicWatch)) EnableTimer(SessionTimer::FileMusicWatch, false);
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
    music_.DropWaiting();
    const MusicStarted started = job_->started;
    OnMusicThread([started](MusicPlayer& music) { music.Stop(started); });
}

void SaverSession::WatchFile() {
    if (watchBusy_) return;
    watchBusy_ = true;
    OnMusicThread([](MusicPlayer& music) { music.KeepFilePlaying(); }, [this] { watchBusy_ = false; });
}

void SaverSession::WatchCd() {
    if (watchBusy_) return;
    watchBusy_ = true;
    auto readable = std::make_shared<bool>(false);
    OnMusicThread([readable](MusicPlayer& music) { *readable = music.KeepCdPlaying(); },
                  [this, readable] {
                      watchBusy_ = false;
                      // A drive that cannot be read a few times in a row is given
                      // up for the run.
                      if (*readable) {
                          cdFailures_ = 0;
                      } else if (++cdFailures_ >= kCdFailuresToGiveUp) {
                          EnableTimer(SessionTimer::CdWatch, false);
                      }
                  });
}

void SaverSession::OnClick() { Quit(); }

void SaverSession::OnMouseMove(float x, float y) {
    // A test run from the desktop, or a window of its own: the mouse may rest anywhere.
    if (!rules_.mouseMoveEnds) return;
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

void SaverSession::OnKey(Key key) {
    if (settings_.music == MusicKind::AudioCd && key != Key::Other) {
        // While the CD is still starting, the arrows wait for it rather than end.
        if (!musicReady_) return;
        stepsWaiting_ += key == Key::PreviousTrack ? -1 : +1;
        StepTracks();
    } else {
        Quit();
    }
}

void SaverSession::StepTracks() {
    // One step at a time on the music's thread: presses made meanwhile add up,
    // so a quit never finds a queue of them ahead of its stop.
    if (stepBusy_ || stepsWaiting_ == 0) return;
    const int steps = stepsWaiting_;
    stepsWaiting_ = 0;
    stepBusy_ = true;
    OnMusicThread([steps](MusicPlayer& music) { music.StepTracks(steps); },
                  [this] {
                      stepBusy_ = false;
                      StepTracks();
                  });
}

void SaverSession::RunWaitingEvents() {
    const std::uint32_t began = seams_.clock.TickCount();
    for (int count = 0; count < kEventsBeforeQuit && host_.RunWaitingEvent(); ++count)
        if (seams_.clock.TickCount() - began >= static_cast<std::uint32_t>(kEventsBeforeQuitMs)) break;
}

void SaverSession::ShowCursor(bool show) {
    if (seams_.cursor != nullptr) seams_.cursor->Show(show);
}

bool SaverSession::Quit() {
    // The events run below may ask to quit again; only the first asking counts,
    // so the password is never asked twice for one quit.
    if (quitting_) return false;
    quitting_ = true;
    RunWaitingEvents();

    if (rules_.asksPassword) {
        ShowCursor(true);
        if (host_.VerifyPassword() == 0) {
            ShowCursor(false);
            quitting_ = false;
            return false;
        }
    }

    StopMusic();

    if (rules_.systemTakesPart) {
        if (seams_.saver != nullptr) MarkScreenSaverRunning(*seams_.saver, false);
        ShowCursor(true);
    }
    host_.Close();
    // A process that ends while a device is still opening, or open, can fall
    // over in the driver's clean-up (under Wine, GStreamer's): the music's
    // thread gets a while to finish its stop, or the undoing of a start still
    // under way. The screen is already given back, and a device that does not
    // answer holds up the end no longer than that.
    if (job_) music_.WaitIdle(rules_.stopWaitMs);
    ended_ = true;
    host_.End();
    return true;
}

} // namespace lumora
