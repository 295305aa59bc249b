#include "linux/x11/saver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

#include "linux/gstreamer_music.h"
#include "linux/x11/surface.h"

namespace lumora::x11 {
namespace {

Key KeyOf(XKeyEvent key) {
    const KeySym symbol = XLookupKeysym(&key, 0);
    if (symbol == XK_Left) return Key::PreviousTrack;
    if (symbol == XK_Right) return Key::NextTrack;
    return Key::Other;
}

// A window taken away while we draw (the settings program closing its
// preview, the daemon ending) makes every request on it fail; its DestroyNotify
// ends the run. Xlib's own handler would end the process at once instead,
// with the music still playing.
int OnXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "lumora: X error: %s (request %d.%d)\n", text, error->request_code, error->minor_code);
    return 0;
}

// A monitor set, moved or taken away, or a mode changed: the refresh the window shows at may be another.
bool ScreensChanged(Display* display, const XEvent& event) {
    int events = 0;
    int errors = 0;
    return event.type == ConfigureNotify ||
           (XRRQueryExtension(display, &events, &errors) && event.type >= events && event.type <= events + RRNotify);
}

} // namespace

Window X11Saver::WindowFor(Display* display, const linux_desktop::HackSetup& setup, Atom deleteWindow) {
    XSetErrorHandler(OnXError);
    if (setup.target == HackTarget::GivenWindow) return setup.window;
    if (setup.target == HackTarget::Root) return DefaultRootWindow(display);
    // 1024x768 where the screen has room, else the screen's size; -geometry's where given.
    const int screen = DefaultScreen(display);
    XSizeHints hints{};
    hints.flags = PSize | PPosition;
    hints.width = std::min(1024, DisplayWidth(display, screen));
    hints.height = std::min(768, DisplayHeight(display, screen));
    const WindowGeometry& asked = setup.geometry;
    if (asked.width > 0) hints.width = asked.width;
    if (asked.height > 0) hints.height = asked.height;
    if (asked.width > 0 || asked.height > 0) hints.flags |= USSize;
    if (asked.placed) {
        // X's way: "-X" counts from the right edge to the window's, "-Y" from the bottom.
        hints.x = asked.fromRight ? DisplayWidth(display, screen) - hints.width - asked.x : asked.x;
        hints.y = asked.fromBottom ? DisplayHeight(display, screen) - hints.height - asked.y : asked.y;
        hints.flags |= USPosition;
    }
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), hints.x, hints.y,
                                           static_cast<unsigned>(std::max(hints.width, 1)),
                                           static_cast<unsigned>(std::max(hints.height, 1)), 0, 0,
                                           BlackPixel(display, screen));
    XStoreName(display, own, "Lumora");
    // What window managers and desktops go by: the program's class, its process, its size.
    char name[] = "lumora";
    char klass[] = "Lumora";
    XClassHint classHint{name, klass};
    XSetClassHint(display, own, &classHint);
    XSetWMNormalHints(display, own, &hints);
    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, own, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    // Closed by its window manager, it ends as on a key instead of losing the connection.
    XSetWMProtocols(display, own, &deleteWindow, 1);
    XMapWindow(display, own);
    return own;
}

Settings X11Saver::MusicFor(Settings settings, Display* display, Window window) {
    XWindowAttributes attributes{};
    // A window that is not there plays nothing either: the run ends at once.
    if (!XGetWindowAttributes(display, window, &attributes) || PreviewSized(attributes.width, attributes.height))
        settings.music = MusicKind::NoMusic;
    return settings;
}

X11Saver::X11Saver(Display* display, const linux_desktop::HackSetup& setup)
    : display_(display),
      target_(setup.target),
      deleteWindow_(XInternAtom(display, "WM_DELETE_WINDOW", False)),
      window_(WindowFor(display, setup, deleteWindow_)),
      settings_(MusicFor(setup.settings, display, window_)),
      run_(SessionSeams(clock_), host_, linux_desktop::HacksPlayer(settings_, setup.cdDevice), musicResults_.Waker(),
           settings_, linux_desktop::HackRules(), true),
      // Under the daemon no input reaches the hack; in a window of our own a
      // key ends the run.
      view_(display, window_, run_.Stars(), setup.target == HackTarget::OwnWindow ? KeyPressMask : NoEventMask) {
    if (setup.fps) rate_.emplace(linux_desktop::SteadyMicroseconds);
}

void X11Saver::OnEvent(const XEvent& event) {
    if (event.type == KeyPress) {
        run_.Session().OnKey(KeyOf(event.xkey));
    } else if ((event.type == DestroyNotify && event.xdestroywindow.window == window_) ||
               (event.type == ClientMessage && target_ == HackTarget::OwnWindow &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_)) {
        run_.Session().Quit();
    } else {
        view_.Handle(event);
        if (ScreensChanged(display_, event)) run_.PaceShows(RefreshOf(display_, window_));
    }
}

void X11Saver::HandleEvents() {
    while (XPending(display_) > 0 && !run_.Session().Ended()) {
        XEvent event;
        XNextEvent(display_, &event);
        OnEvent(event);
    }
}

bool X11Saver::Run(linux_desktop::EndingSignals& signals) {
    if (view_.Gone()) {
        std::fprintf(stderr, "lumora: the window 0x%lx is not there\n", window_);
        run_.Session().Quit();
        return false;
    }
    if (!view_.Unsupported().empty()) {
        std::fprintf(stderr, "lumora: the screen has a %s; lumora draws on TrueColor screens only "
                             "(15, 16, 24 or 30 bits)\n", view_.Unsupported().c_str());
        run_.Session().Quit();
        return false;
    }
    // No more pictures than the monitors show: the others would cost the
    // server their copies for nothing.
    run_.PaceShows(RefreshOf(display_, window_));
    run_.Start();
    linux_desktop::RunLoop(run_, *this, signals, musicResults_, rate_ ? &*rate_ : nullptr);
    return true;
}

int RunOnX11(const linux_desktop::HackSetup& setup, linux_desktop::EndingSignals& signals) {
    const char* const asked = setup.display.empty() ? nullptr : setup.display.c_str();
    const Connection connection(XOpenDisplay(asked));
    if (!connection) {
        const char* name = asked != nullptr ? asked : std::getenv("DISPLAY");
        std::fprintf(stderr, "lumora: cannot open the display %s\n", name != nullptr ? name : "");
        return 1;
    }
    linux_desktop::HackSetup own = setup;
    // X11 lets a program of its own cover no screen: the daemon's window or the root does that.
    if (own.target == HackTarget::Screens) own.target = HackTarget::OwnWindow;
    X11Saver saver(connection.get(), own);
    return saver.Run(signals) ? 0 : 1;
}

} // namespace lumora::x11
