#include "linux/loop.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace lumora::linux_desktop {

namespace {

sigset_t Ending() {
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    return ending;
}

} // namespace

EndingSignals::EndingSignals() {
    const sigset_t ending = Ending();
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    fd_ = UniqueFd(signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK));
}

void EndingSignals::Take() {
    signalfd_siginfo signal{};
    if (read(fd_.Get(), &signal, sizeof signal) == static_cast<ssize_t>(sizeof signal) && taken_ == 0)
        taken_ = static_cast<int>(signal.ssi_signo);
}

void EndingSignals::EndByTaken() const {
    if (taken_ == 0) return;
    std::fflush(nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(taken_, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, taken_);
    // Raised while blocked, it waits on this thread and comes as it is unblocked.
    raise(taken_);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    // Not reached: the default of both ends the process.
    std::_Exit(128 + taken_);
}

std::int64_t SteadyMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
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

void RunLoop(SaverRun& run, LoopDisplay& display, EndingSignals& signals, Wakeup& music, FrameRate* rate) {
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
        pollfd watched[3] = {{display.ConnectionFd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}, {music.Fd(), POLLIN, 0}};
        const std::int64_t asleep = rate != nullptr ? SteadyMicroseconds() : 0;
        const int woken = poll(watched, 3, run.MillisecondsToNext());
        if (rate != nullptr) rate->Waited(SteadyMicroseconds() - asleep);
        if (woken <= 0) continue;
        if (watched[2].revents & POLLIN) {
            music.Clear();
            run.Music().Deliver();
        }
        if (watched[1].revents & POLLIN) {
            signals.Take();
            run.Session().Quit();
        }
    }
}

} // namespace lumora::linux_desktop
