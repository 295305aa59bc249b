#include "music/worker.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace lumora {

// What the thread and its owner share: the thread keeps it alive after the
// owner is gone. The results wait here, owned, until the owner's thread runs
// them; the wake carries nothing.
struct Worker::Shared {
    std::function<void()> wake;
    std::function<void()> atEnd;
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
        if (shared->closing) break;
        auto [work, done] = std::move(shared->queue.front());
        shared->queue.pop_front();
        shared->busy = true;
        lock.unlock();
        work();
        lock.lock();
        shared->finished.push_back(std::move(done));
        // The owner may be gone by now: then nobody runs the result.
        shared->wake();
        shared->busy = false;
        shared->changed.notify_all();
    }
    lock.unlock();
    if (shared->atEnd) shared->atEnd();
}

} // namespace

Worker::Worker(std::function<void()> wake, std::function<void()> atEnd) : shared_(std::make_shared<Shared>()) {
    shared_->wake = std::move(wake);
    shared_->atEnd = std::move(atEnd);
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
    if (!thread_.joinable()) {
        if (shared_->atEnd) shared_->atEnd();
    } else if (idle) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void Worker::Post(std::function<void()> work, std::function<void()> done) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!thread_.joinable()) thread_ = std::thread(Run, shared_);
    shared_->queue.emplace_back(std::move(work), std::move(done));
    shared_->changed.notify_all();
}

bool Worker::WaitIdle(int milliseconds) {
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

} // namespace lumora
