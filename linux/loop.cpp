#include "linux/loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

namespace lumora::linux_desktop {

UniqueFd EndingSignals() {
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    return UniqueFd(signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK));
}

std::uint32_t SystemClock::TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double SystemClock::SecondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + static_cast<double>(now.tv_nsec) / 1e9;
}

Wakeup::Wakeup() : fd_(std::make_shared<UniqueFd>(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))) {}

std::function<void()> Wakeup::Waker() const {
    return [fd = fd_] {
        const std::uint64_t one = 1;
        if (::write(fd->Get(), &one, sizeof one) < 0) {
            // Only a counter at its limit refuses, and that one still wakes the loop.
        }
    };
}

void Wakeup::Clear() {
    std::uint64_t count = 0;
    if (::read(fd_->Get(), &count, sizeof count) < 0) {
        // Nothing counted yet: the results were finished meanwhile, or none were.
    }
}

SessionRules HackRules() {
    SessionRules rules;
    rules.stopWaitMs = kLongestStopWaitMs;
    return rules;
}

void RunLoop(SaverRun& run, LoopDisplay& display, const UniqueFd& signals, Wakeup& music) {
    const SaverSession& session = run.Session();
    while (!session.Ended()) {
        display.HandleEvents();
        if (session.Ended()) break;
        run.HoldSteps(!display.Showing());
        if (run.StepDue() && !display.ReadyToStep()) run.HoldSteps(true);
        if (run.RunDue()) {
            display.Present();
            run.Shown();
        }
        pollfd watched[3] = {{display.ConnectionFd(), POLLIN, 0}, {signals.Get(), POLLIN, 0}, {music.Fd(), POLLIN, 0}};
        if (poll(watched, 3, run.MillisecondsToNext()) <= 0) continue;
        if (watched[2].revents & POLLIN) {
            music.Clear();
            run.Music().Deliver();
        }
        if (watched[1].revents & POLLIN) {
            signalfd_siginfo signal{};
            if (read(signals.Get(), &signal, sizeof signal) < 0) {
                // Read only to empty it: the signal is what counts.
            }
            run.Session().Quit();
        }
    }
}

} // namespace lumora::linux_desktop
