// Workers whose results come back to a window's thread as one of its messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "music/worker.h"

namespace lumora::win32 {

// The message a worker's results arrive with; the window hands it to its
// worker's Deliver. Any program may post it: it only makes finished results
// run a little sooner.
inline constexpr UINT kWorkDone = WM_APP + 0x100;

// The window a worker's thread wakes when results wait. The thread may outlive
// the window and its owner (a device holds it): cleared when the window goes,
// the target wakes nothing, rather than a window that has taken its handle since.
class WakeTarget {
public:
    void Set(HWND window) { window_->store(window); }
    void Clear() { window_->store(nullptr); }
    // What the worker's thread calls; it keeps the target alive.
    std::function<void()> Waker() const {
        return [window = window_] {
            if (HWND target = window->load()) ::PostMessageW(target, kWorkDone, 0, 0);
        };
    }

private:
    std::shared_ptr<std::atomic<HWND>> window_ = std::make_shared<std::atomic<HWND>>(nullptr);
};

class Worker : public lumora::Worker {
public:
    // Results go to this window's thread.
    explicit Worker(const WakeTarget& target) : lumora::Worker(target.Waker()) {}
};

} // namespace lumora::win32
