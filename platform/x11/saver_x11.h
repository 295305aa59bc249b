// One run of the hack on X11: the window drawn in (the daemon's, the root or
// our own), the shower's frames, and the session around them: its timers, its
// music, SIGTERM and SIGINT, and the keys of a window of our own.
#pragma once

// Before Xlib, whose macro None would hide MusicKind::None.
#include "settings/settings.h"

#include <X11/Xlib.h>

#include "display/random.h"
#include "display/saver_session.h"
#include "platform/x11/fd_x11.h"
#include "platform/x11/hack_setup_x11.h"
#include "platform/x11/session_host_x11.h"
#include "platform/x11/shower_view_x11.h"

namespace lumora::x11 {

// SIGTERM and SIGINT, blocked in every thread made after this (GStreamer's
// among them) and readable here instead, so that the loop ends between frames.
UniqueFd EndingSignals();

class X11Saver {
public:
    // Takes the window and covers it; the music starts after the first frames.
    // `signals` comes from EndingSignals, before any thread was made.
    X11Saver(Display* display, const HackSetup& setup, UniqueFd signals);
    X11Saver(const X11Saver&) = delete;
    X11Saver& operator=(const X11Saver&) = delete;

    // Draws until SIGTERM or SIGINT, a key in a window of our own, or the
    // window's end; the music has been stopped by then. False when there was
    // no window to draw in.
    bool Run();

private:
    static Window WindowFor(Display* display, const HackSetup& setup, Atom deleteWindow);
    // A preview plays no music; the saver it stands for will.
    static Settings MusicFor(Settings settings, bool preview);
    void OnEvent(const XEvent& event);

    Display* const display_;
    const Target target_;
    const UniqueFd signals_;
    const Atom deleteWindow_; // a window manager's close
    const Window window_;
    Random random_;
    ShowerView view_;
    const Settings settings_; // the music none plays in a preview
    X11System system_;
    X11SessionHost host_;
    SaverSession session_;
};

} // namespace lumora::x11
