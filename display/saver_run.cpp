#include "display/saver_run.h"

#include <algorithm>
#include <utility>

namespace lumora {
namespace {

// The clock's milliseconds wrap after 49 days: times are compared by their
// difference, which is right across the wrap.
std::int32_t Until(std::uint32_t due, std::uint32_t now) { return static_cast<std::int32_t>(due - now); }

// When a periodic deadline that has come is due next: a period on, or a
// period from now for a run that fell behind (a stop, a suspend, a slow
// machine), so that it comes once, not in a burst of the periods missed.
std::uint32_t NextDue(std::uint32_t due, std::uint32_t period, std::uint32_t now) {
    due += period;
    return Until(due, now) <= 0 ? now + period : due;
}

} // namespace

SaverRun::SaverRun(SessionSeams seams, SessionHost& host, std::unique_ptr<MusicPlayer> player,
                   std::function<void()> wakeForMusic, Settings settings, SessionRules rules, bool listChanges)
    : seams_(seams),
      listChanges_(listChanges),
      shower_(random_),
      music_(std::move(player), std::move(wakeForMusic)),
      session_(seams, host, *this, music_, std::move(settings), rules) {
    if (listChanges_) changed_.reserve(2 * Shower::kDefaultStars * 4);
}

void SaverRun::Start() {
    shower_.Seed([this] { return Now(); });
    nextStep_ = nextShow_ = Now();
    nextJump_ = nextStep_ + Shower::kJumpIntervalMs;
}

bool SaverRun::StepDue() const { return !held_ && Until(nextStep_, Now()) <= kStepEarlyMs; }

bool SaverRun::RunDue() {
    const std::uint32_t now = Now();
    bool stepped = false;
    if (StepDue()) {
        // A step no picture showed stays listed: the next picture shows both.
        if (!unshown_) changed_.clear();
        shower_.Frame(listChanges_ ? &changed_ : nullptr);
        lastStep_ = nextStep_;
        nextStep_ = NextDue(nextStep_, Shower::kFrameIntervalMs, now);
        unshown_ = stepped = true;
    }
    if (Until(nextJump_, now) <= 0) {
        shower_.JumpRadiant(seams_.clock.SecondsSinceMidnight());
        nextJump_ = NextDue(nextJump_, Shower::kJumpIntervalMs, now);
    }
    for (int index = 0; index < kSessionTimers; ++index) {
        auto& due = timers_[index];
        if (!due || Until(*due, now) > 0) continue;
        const auto timer = static_cast<SessionTimer>(index);
        // Set before the tick, which may turn its timer off.
        due = NextDue(*due, static_cast<std::uint32_t>(SaverSession::IntervalMs(timer)), now);
        session_.OnTimer(timer);
    }
    // Judged by the step's own time, not the clock's: a step taken a little
    // early still makes the picture of its refresh.
    return stepped && (showMillihertz_ == 0 || ShowDueBy(lastStep_));
}

bool SaverRun::ShowDueBy(std::uint32_t at) const {
    // The deadline is nextShow_ and a fraction more: a step on its whole
    // millisecond is before it unless the fraction is nothing.
    const std::int32_t until = Until(nextShow_, at);
    return until < 0 || (until == 0 && showRemainder_ == 0);
}

void SaverRun::Shown() {
    unshown_ = false;
    if (showMillihertz_ != 0) {
        constexpr std::uint32_t kMillihertzMs = 1000 * 1000;
        nextShow_ += kMillihertzMs / showMillihertz_;
        showRemainder_ += kMillihertzMs % showMillihertz_;
        if (showRemainder_ >= showMillihertz_) {
            showRemainder_ -= showMillihertz_;
            ++nextShow_;
        }
        // Behind (a stop, a monitor faster than the steps): the next refresh from this picture on.
        if (ShowDueBy(lastStep_)) {
            nextShow_ = lastStep_ + kMillihertzMs / showMillihertz_;
            showRemainder_ = 0;
        }
    }
    session_.OnFrameShown();
}

void SaverRun::PaceShows(std::uint32_t millihertz) {
    if (millihertz == showMillihertz_) return;
    showMillihertz_ = millihertz;
    // The next step shows, and the new period counts from it.
    nextShow_ = nextStep_;
    showRemainder_ = 0;
}

void SaverRun::HoldSteps(bool held) {
    // The step's time is kept: one held for a moment comes late and keeps
    // the period; one held for long comes once, at once.
    held_ = held;
}

int SaverRun::MillisecondsToNext() const {
    const std::uint32_t now = Now();
    std::int32_t next = Until(nextJump_, now);
    if (!held_) next = std::min(next, Until(nextStep_, now));
    for (const auto& due : timers_)
        if (due) next = std::min(next, Until(*due, now));
    return std::max<std::int32_t>(next, 0);
}

void SaverRun::EnableTimer(SessionTimer timer, bool enabled) {
    auto& due = timers_[static_cast<std::size_t>(timer)];
    if (enabled)
        due = Now() + static_cast<std::uint32_t>(SaverSession::IntervalMs(timer));
    else
        due.reset();
}

} // namespace lumora
