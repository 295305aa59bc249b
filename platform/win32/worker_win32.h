// The worker whose results come back to a window's thread as one of its messages.
#pragma once

#include <windows.h>

#include "platform/worker.h"

namespace lumora::win32 {

// The message a worker's results arrive with; the window hands it to its
// worker's Deliver. Any program may post it: it only makes finished results
// run a little sooner.
inline constexpr UINT kWorkDone = WM_APP + 0x100;

class Worker : public platform::Worker {
public:
    // Results go to this window's thread.
    explicit Worker(HWND window) : platform::Worker([window] { ::PostMessageW(window, kWorkDone, 0, 0); }) {}
};

} // namespace lumora::win32
