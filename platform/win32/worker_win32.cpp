#include "platform/win32/worker_win32.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace lumora::win32 {

// What the thread and its owner share: the thread keeps it alive after the
// owner is gone.
struct Worker::Shared {
    HWND window = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> queue;
    bool busy = false;
    bool closing = false;
    std::set<const std::function<void()>*> sent; // results on their way to the window
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
        // The window may be gone by now: then nobody takes the result.
        auto* carried = new std::function<void()>(std::move(done));
        lock.lock();
        shared->sent.insert(carried);
        if (!::PostMessageW(shared->window, kWorkDone, 0, reinterpret_cast<LPARAM>(carried))) {
            shared->sent.erase(carried);
            delete carried;
        }
        shared->busy = false;
        shared->changed.notify_all();
    }
}

} // namespace

Worker::Worker(HWND window) : shared_(std::make_shared<Shared>()) {
    shared_->window = window;
    std::thread(Run, shared_).detach();
}

Worker::~Worker() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->closing = true;
    shared_->queue.clear();
    shared_->changed.notify_all();
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

void Worker::Deliver(LPARAM carried) {
    auto* sent = reinterpret_cast<std::function<void()>*>(carried);
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->sent.erase(sent) == 0) return; // not ours, or delivered already
    }
    std::unique_ptr<std::function<void()>> done(sent);
    if (*done) (*done)();
}

} // namespace lumora::win32
