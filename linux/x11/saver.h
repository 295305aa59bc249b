// The hack on X11: the window drawn in (the daemon's, the root or one of our
// own), its events, and the run's steps copied to it from shared memory.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "display/frame_rate.h"
#include "display/saver_run.h"
#include "linux/fd.h"
#include "linux/loop.h"
#include "linux/setup.h"
#include "linux/x11/view.h"

namespace lumora::x11 {

class X11Saver final : private linux_desktop::LoopDisplay {
public:
    // Takes the window and covers it; the music starts after the first frames.
    X11Saver(Display* display, const linux_desktop::HackSetup& setup);
    X11Saver(const X11Saver&) = delete;
    X11Saver& operator=(const X11Saver&) = delete;

    // Draws until SIGTERM or SIGINT, a key in a window of our own, or the
    // window's end; the music has been stopped by then. False when there was
    // no window to draw in.
    bool Run(linux_desktop::EndingSignals& signals);

private:
    static Window WindowFor(Display* display, const linux_desktop::HackSetup& setup, Atom deleteWindow);
    // A preview plays no music; the saver it stands for will.
    static Settings MusicFor(Settings settings, Display* display, Window window);

    int ConnectionFd() const override { return ConnectionNumber(display_); }
    void HandleEvents() override;
    void Present() override { view_.Present(run_.Changed(), rate_ ? &*rate_ : nullptr); }
    void OnEvent(const XEvent& event);

    Display* const display_;
    const HackTarget target_;
    const Atom deleteWindow_; // a window manager's close
    const Window window_;
    const Settings settings_; // the music none plays in a preview
    linux_desktop::SystemClock clock_;
    linux_desktop::LoopHost host_;
    linux_desktop::Wakeup musicResults_;
    SaverRun run_;
    ShowerView view_; // after the run, whose shower it lays out
    std::optional<FrameRate> rate_; // -fps's
};

// Opens the display and runs the hack there; the process's exit code.
int RunOnX11(const linux_desktop::HackSetup& setup, linux_desktop::EndingSignals& signals);

} // namespace lumora::x11
