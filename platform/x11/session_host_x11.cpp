#include "platform/x11/session_host_x11.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/x11/fd_x11.h"

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

// What the thread and its owner share: the thread keeps it alive after the
// owner is gone. The results wait here, owned, until the main loop runs them;
// the counter that wakes it carries nothing.
struct MusicThread::Shared {
    std::unique_ptr<MusicPlayer> player;
    UniqueFd results{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> queue;
    std::deque<std::function<void()>> finished;
    bool busy = false;
    bool closing = false;
};

namespace {

void Run(const std::shared_ptr<MusicThread::Shared>& shared) {
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->closing || !shared->queue.empty(); });
        if (shared->closing) break;
        auto [work, done] = std::move(shared->queue.front());
        shared->queue.pop_front();
        shared->busy = true;
        lock.unlock();
        work();
        lock.lock();
        shared->finished.push_back(std::move(done));
        const std::uint64_t one = 1;
        if (::write(shared->results.Get(), &one, sizeof one) < 0) {
            // Only a counter at its limit refuses, and that one still wakes the loop.
        }
        shared->busy = false;
        shared->changed.notify_all();
    }
    lock.unlock();
    // The player's devices were opened here: here they are closed.
    shared->player.reset();
}

} // namespace

MusicThread::MusicThread(std::unique_ptr<MusicPlayer> player) : shared_(std::make_shared<Shared>()) {
    shared_->player = std::move(player);
}

MusicThread::~MusicThread() {
    if (!thread_.joinable()) return;
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closing = true;
        shared_->queue.clear();
        shared_->finished.clear();
        idle = !shared_->busy;
        shared_->changed.notify_all();
    }
    if (idle)
        thread_.join();
    else
        thread_.detach();
}

MusicPlayer& MusicThread::Player() { return *shared_->player; }

void MusicThread::Post(std::function<void()> work, std::function<void()> done) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!thread_.joinable()) thread_ = std::thread(Run, shared_);
    shared_->queue.emplace_back(std::move(work), std::move(done));
    shared_->changed.notify_all();
}

bool MusicThread::WaitIdle(int milliseconds) {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                     [&] { return shared_->queue.empty() && !shared_->busy; });
}

void MusicThread::DropWaiting() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.clear();
    shared_->changed.notify_all();
}

bool MusicThread::Idle() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->queue.empty() && !shared_->busy;
}

int MusicThread::ResultsFd() const { return shared_->results.Get(); }

void MusicThread::Deliver() {
    std::uint64_t count = 0;
    if (::read(shared_->results.Get(), &count, sizeof count) < 0) {
        // Nothing counted yet: the results below were finished meanwhile, or none were.
    }
    std::deque<std::function<void()>> results;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        results.swap(shared_->finished);
    }
    for (std::function<void()>& done : results)
        if (done) done();
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
        // Set before the tick, which may turn its timer off. A loop that fell
        // behind ticks once, not once for every period it missed.
        const auto interval = std::chrono::milliseconds(SaverSession::IntervalMs(static_cast<SessionTimer>(index)));
        *due += interval;
        if (*due <= now) due = now + interval;
        tick(static_cast<SessionTimer>(index));
    }
}

} // namespace lumora::x11
