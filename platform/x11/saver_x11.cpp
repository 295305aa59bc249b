#include "platform/x11/saver_x11.h"

#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/x11/music_gstreamer_x11.h"
#include "platform/x11/music_lock_x11.h"

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

} // namespace

UniqueFd EndingSignals() {
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    return UniqueFd(signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK));
}

Window X11Saver::WindowFor(Display* display, const HackSetup& setup, Atom deleteWindow) {
    XSetErrorHandler(OnXError);
    if (setup.target == Target::GivenWindow) return setup.window;
    if (setup.target == Target::Root) return DefaultRootWindow(display);
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1024, 768, 0, 0,
                                           BlackPixel(display, DefaultScreen(display)));
    XStoreName(display, own, "Lumora");
    // Closed by its window manager, it ends as on a key instead of losing the connection.
    XSetWMProtocols(display, own, &deleteWindow, 1);
    XMapWindow(display, own);
    return own;
}

Settings X11Saver::MusicFor(Settings settings, bool preview) {
    // MusicKind{} is none, a name Xlib's macro None hides here.
    if (preview) settings.music = MusicKind{};
    return settings;
}

X11Saver::X11Saver(Display* display, const HackSetup& setup, UniqueFd signals)
    : display_(display),
      target_(setup.target),
      signals_(std::move(signals)),
      deleteWindow_(XInternAtom(display, "WM_DELETE_WINDOW", False)),
      window_(WindowFor(display, setup, deleteWindow_)),
      view_(display, window_, random_, setup.target == Target::OwnWindow ? KeyPressMask : NoEventMask),
      settings_(MusicFor(setup.settings, view_.Preview())),
      host_(std::make_unique<OneMusicAmongHacks>(
          std::make_unique<GstreamerMusic>(settings_, stderr),
          MusicLockPath())),
      // Under the daemon no input reaches the hack; in a window of our own the
      // mouse may rest anywhere, and a key ends the run.
      session_(system_.Seams(), host_, host_.Player(), settings_, Mode::NoSwitch) {
    view_.Seed([this] { return system_.TickCount(); });
}

void X11Saver::OnEvent(const XEvent& event) {
    if (event.type == KeyPress) {
        session_.OnKey(KeyOf(event.xkey));
    } else if ((event.type == DestroyNotify && event.xdestroywindow.window == window_) ||
               (event.type == ClientMessage && target_ == Target::OwnWindow &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_)) {
        session_.Quit();
    } else {
        view_.Handle(event);
    }
}

bool X11Saver::Run() {
    using std::chrono::milliseconds;
    auto nextFrame = SteadyClock::now();
    auto nextJump = nextFrame + milliseconds(Shower::kJumpIntervalMs);
    if (view_.Gone()) {
        std::fprintf(stderr, "lumora: the window 0x%lx is not there\n", window_);
        session_.Quit();
        return false;
    }
    while (!host_.Ended()) {
        while (XPending(display_) > 0 && !host_.Ended()) {
            XEvent event;
            XNextEvent(display_, &event);
            OnEvent(event);
        }
        if (host_.Ended()) break;
        const auto now = SteadyClock::now();
        if (now >= nextFrame) {
            view_.Frame();
            session_.OnFrameShown();
            nextFrame = NextDue(nextFrame, milliseconds(Shower::kFrameIntervalMs), now);
        }
        if (now >= nextJump) {
            view_.JumpRadiant(system_.SecondsSinceMidnight());
            nextJump = NextDue(nextJump, milliseconds(Shower::kJumpIntervalMs), now);
        }
        host_.RunDueTimers(now, [this](SessionTimer timer) { session_.OnTimer(timer); });

        const auto due = std::min(nextFrame, host_.NextTimer().value_or(nextFrame));
        // Rounded up: a wait cut to 0 ms would spin through the frame's last millisecond.
        const auto wait = std::chrono::ceil<milliseconds>(due - SteadyClock::now());
        pollfd watched[3] = {{ConnectionNumber(display_), POLLIN, 0},
                             {signals_.Get(), POLLIN, 0},
                             {host_.MusicResultsFd(), POLLIN, 0}};
        if (poll(watched, 3, static_cast<int>(std::max<long long>(0, wait.count()))) <= 0) continue;
        if (watched[2].revents & POLLIN) host_.DeliverMusicResults();
        if (watched[1].revents & POLLIN) {
            signalfd_siginfo signal{};
            if (read(signals_.Get(), &signal, sizeof signal) < 0) {
                // Read only to empty it: the signal is what counts.
            }
            session_.Quit();
        }
    }
    return true;
}

} // namespace lumora::x11
