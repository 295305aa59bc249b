#include "platform/win32/worker_win32.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace lumora::win32 {

// What the thread and its owner share: the thread keeps it alive after the
// owner is gone. The results wait here, owned, until the window's thread runs
// them; the message that wakes it carries nothing.
struct Worker::Shared {
    HWND window = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> queue;
    std::deque<std::function<void()>> finished;
    bool busy = false;
    bool closing = false;
};

namespace {

void Run(const std::shared_ptr<Worker::Shared>& shared) {
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->closing || !shared->queue.empty(); });
        if (shared->closing) return;
        auto [work, done] = std::move(shared->queue.front());
        shared->queue.pop_front();
        shared->busy = true;
        lock.unlock();
        work();
        lock.lock();
        shared->finished.push_back(std::move(done));
        // The window may be gone by now: then nobody runs the result.
        ::PostMessageW(shared->window, kWorkDone, 0, 0);
        shared->busy = false;
        shared->changed.notify_all();
    }
}

} // namespace

Worker::Worker(HWND window) : shared_(std::make_shared<Shared>()) {
    shared_->window = window;
    thread_ = std::thread(Run, shared_);
}

Worker::~Worker() {
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closing = true;
        shared_->queue.clear();
        shared_->finished.clear();
        idle = !shared_->busy;
        shared_->changed.notify_all();
    }
    // An idle thread is seen to its end, so that it has let go of what its
    // devices keep per thread before the program itself ends; one that a
    // device holds is left behind, never waited for.
    if (idle)
        thread_.join();
    else
        thread_.detach();
}

void Worker::Post(std::function<void()> work, std::function<void()> done) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.emplace_back(std::move(work), std::move(done));
    shared_->changed.notify_all();
}

bool Worker::WaitIdle(DWORD milliseconds) {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                     [&] { return shared_->queue.empty() && !shared_->busy; });
}

void Worker::DropWaiting() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.clear();
    shared_->changed.notify_all();
}

void Worker::Deliver() {
    std::deque<std::function<void()>> results;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        results.swap(shared_->finished);
    }
    for (std::function<void()>& done : results)
        if (done) done();
}

} // namespace lumora::win32
