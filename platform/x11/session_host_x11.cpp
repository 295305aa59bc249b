#include "platform/x11/session_host_x11.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <utility>


namespace lumora::x11 {

std::uint32_t X11System::TickCount() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count());
}

double X11System::SecondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + static_cast<double>(now.tv_nsec) / 1e9;
}

// The music thread ---------------------------------------------------------------

MusicThread::MusicThread(std::unique_ptr<MusicPlayer> player)
    : player_(player.get()),
      results_(std::make_shared<UniqueFd>(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))),
      worker_(
          [results = results_] {
              const std::uint64_t one = 1;
              if (::write(results->Get(), &one, sizeof one) < 0) {
                  // Only a counter at its limit refuses, and that one still wakes the loop.
              }
          },
          // The player's devices were opened on the thread: there they are closed.
          [owned = std::shared_ptr<MusicPlayer>(std::move(player))]() mutable { owned.reset(); }) {}

void MusicThread::Deliver() {
    std::uint64_t count = 0;
    if (::read(results_->Get(), &count, sizeof count) < 0) {
        // Nothing counted yet: the results below were finished meanwhile, or none were.
    }
    worker_.Deliver();
}

// The session's host ------------------------------------------------------------

void X11SessionHost::EnableTimer(SessionTimer timer, bool enabled) {
    auto& due = due_[static_cast<std::size_t>(timer)];
    if (enabled)
        due = SteadyClock::now() + std::chrono::milliseconds(SaverSession::IntervalMs(timer));
    else
        due.reset();
}

bool X11SessionHost::WaitForMusicThread(int milliseconds) {
    return music_.WaitIdle(std::min(milliseconds, kLongestStopWaitMs));
}

std::optional<SteadyClock::time_point> X11SessionHost::NextTimer() const {
    std::optional<SteadyClock::time_point> next;
    for (const auto& due : due_)
        if (due && (!next || *due < *next)) next = due;
    return next;
}

void X11SessionHost::RunDueTimers(SteadyClock::time_point now, const std::function<void(SessionTimer)>& tick) {
    for (int index = 0; index < kSessionTimers; ++index) {
        auto& due = due_[index];
        if (!due || *due > now) continue;
        // Set before the tick, which may turn its timer off.
        due = NextDue(*due, std::chrono::milliseconds(SaverSession::IntervalMs(static_cast<SessionTimer>(index))), now);
        tick(static_cast<SessionTimer>(index));
    }
}

} // namespace lumora::x11
