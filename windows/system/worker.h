// Workers whose results come back to a window's thread as one of its messages.
#pragma once

#include <windows.h>

#include <functional>

#include "music/worker.h"

namespace lumora::win32 {

// The message a worker's results arrive with; the window hands it to its
// worker's Deliver. Any program may post it: it only makes finished results
// run a little sooner.
inline constexpr UINT kWorkDone = WM_APP + 0x100;

// Tells the window's thread that results wait.
inline std::function<void()> WakeWindow(HWND window) {
    return [window] { ::PostMessageW(window, kWorkDone, 0, 0); };
}

class Worker : public lumora::Worker {
public:
    // Results go to this window's thread.
    explicit Worker(HWND window) : lumora::Worker(WakeWindow(window)) {}
};

} // namespace lumora::win32
