// A thread of its own for work that may wait on the file system or a device,
// whose results come back to the thread that owns it. How that thread is told
// is the window system's (a message to a window, a counter its loop polls):
// `wake` only tells it; it then calls Deliver, where the results run.
#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace lumora {

class Worker {
public:
    // `wake` runs on the worker's thread once a piece has finished; `atEnd`
    // runs there as the thread ends (what the work opened there is closed
    // there), or with this object when no work ever came.
    explicit Worker(std::function<void()> wake, std::function<void()> atEnd = {});
    // The work not begun is dropped; an idle thread ends before this returns,
    // so that it has let go of what its devices keep per thread before the
    // program ends; one that a device holds is left behind, never waited for.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues `work` (the thread starts with the first); once it has run,
    // `done` runs on the owner's thread, in Deliver.
    void Post(std::function<void()> work, std::function<void()> done);
    // Waits at most this long until everything queued has run.
    bool WaitIdle(int milliseconds);
    // Forgets the work not yet begun, results and all.
    void DropWaiting();
    // Runs the results of the work finished so far. A stray wake only makes
    // finished results run a little sooner.
    void Deliver();

    struct Shared; // what the thread keeps, should it outlive this object

private:
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace lumora
