// A thread of its own for work that may wait on the file system or a device,
// whose results come back to a window's thread as one of its messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <thread>

namespace lumora::win32 {

// The message a worker's results arrive with; the window hands it to its
// worker's Deliver.
inline constexpr UINT kWorkDone = WM_APP + 0x100;

class Worker {
public:
    // Results go to this window's thread.
    explicit Worker(HWND window);
    // The work not begun is dropped; an idle thread ends before this returns,
    // a busy one finishes its piece on its own.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues `work`; once it has run, `done` runs on the window's thread.
    void Post(std::function<void()> work, std::function<void()> done);
    // Waits at most this long until everything queued has run.
    bool WaitIdle(DWORD milliseconds);
    // Forgets the work not yet begun, results and all.
    void DropWaiting();

    // Runs the results of the work finished so far; call it from the window's
    // procedure on kWorkDone. Any program may post that message: it only makes
    // finished results run a little sooner.
    void Deliver();

    struct Shared; // what the thread keeps, should it outlive this object

private:
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace lumora::win32
