// One run of the screen saver, the same for every edition: the random
// generator, the shower, the music's thread and the session around them, and
// every deadline they keep. The edition's driver asks it what is due, shows
// what the step changed, and comes back when it says; a driver keeps no time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "display/random.h"
#include "display/saver_session.h"
#include "display/shower.h"
#include "music/music_thread.h"
#include "platform/clock.h"
#include "platform/geometry.h"
#include "settings/settings.h"

namespace lumora {

class SaverRun final : private SessionTimers {
public:
    // A step that comes this little early is taken now: a window system's
    // periodic timer keeps a phase of its own, and a tick that fell just short
    // of its step would otherwise wait a whole period more.
    static constexpr int kStepEarlyMs = 2;

    // `wakeForMusic` tells the driver's thread that the music's results wait
    // (see MusicThread); the driver then calls Music().Deliver(). With
    // `listChanges`, each step lists the boxes it wrote (Changed), for a
    // driver that copies only those.
    SaverRun(SessionSeams seams, SessionHost& host, std::unique_ptr<MusicPlayer> player,
             std::function<void()> wakeForMusic, Settings settings, SessionRules rules, bool listChanges);
    SaverRun(const SaverRun&) = delete;
    SaverRun& operator=(const SaverRun&) = delete;

    // Seeds the shower: the first step is due at once, the radiant's jump five
    // seconds on. The driver lays the shower out before.
    void Start();
    // The stars' step is due now (RunDue will take it).
    bool StepDue() const;
    // Does what is due now, each at most once however late it is: a step of
    // the stars, the radiant's jump, the session's timers. True when the stars
    // moved and a picture is due: the driver shows what changed, then tells Shown.
    bool RunDue();
    // The picture is on the screen: after the first few the music starts.
    void Shown();
    // Pictures at most this often (a monitor's refresh rate, in thousandths
    // of a hertz; 0, unknown: every step). The stars keep their steps; a
    // picture shows every step since the last, each in a refresh of its own.
    void PaceShows(std::uint32_t millihertz);
    // While held (nothing of the shower can be seen: every screen off or
    // covered; or nothing to draw in for a moment), the stars take no step
    // and none is waited for; once let go, the step held comes, once. The
    // radiant and the session go on.
    void HoldSteps(bool held);
    // Milliseconds from now until something is due; 0 when something is.
    int MillisecondsToNext() const;

    Shower& Stars() { return shower_; }
    // The boxes the steps wrote since the last picture shown.
    const std::vector<Rect>& Changed() const { return changed_; }
    SaverSession& Session() { return session_; }
    const SaverSession& Session() const { return session_; }
    // The driver delivers the music's results here when woken.
    MusicThread& Music() { return music_; }

private:
    void EnableTimer(SessionTimer timer, bool enabled) override;
    std::uint32_t Now() const { return seams_.clock.TickCount(); }
    bool ShowDueBy(std::uint32_t at) const;

    const SessionSeams seams_;
    const bool listChanges_;
    Random random_;
    Shower shower_;
    std::vector<Rect> changed_; // reused by every step: a step allocates nothing
    // The player lives on the music's thread; the session, destroyed first,
    // posts to it.
    MusicThread music_;
    SaverSession session_;
    bool held_ = false;
    bool unshown_ = false; // a step not yet in a picture
    std::uint32_t nextStep_ = 0;
    std::uint32_t lastStep_ = 0; // when the last step was due
    // The pictures' deadlines: a period of whole milliseconds and the
    // thousandths of a hertz left over, so that 59.94 Hz stays 59.94.
    std::uint32_t showMillihertz_ = 0;
    std::uint32_t nextShow_ = 0;
    std::uint32_t showRemainder_ = 0;
    std::uint32_t nextJump_ = 0;
    std::optional<std::uint32_t> timers_[kSessionTimers];
};

} // namespace lumora
