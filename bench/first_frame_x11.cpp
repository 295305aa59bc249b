// How soon a screen-saver hack first draws on the screen. It watches the root
// window through the DAMAGE extension, then starts the hack (its own arguments
// are the hack's command line) and prints the milliseconds from the spawn to
// the server's first damage report, with the damaged box:
//   first_frame PROGRAM [ARGUMENT...]
//   first_ms=12.3 x=0 y=0 width=1920 height=1080
// The server reports any drawing on the root, whatever its pixels, so nothing
// else may draw there meanwhile (a bare Xvfb of its own). The hack is ended
// with SIGTERM afterwards.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// The hack, ended and reaped however this tool leaves: a hack left running
// would keep drawing on the next measurement's screen.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child() {
        if (reaped_) return;
        kill(pid_, SIGTERM);
        // XScreenSaver's own hacks end at once; one that does not is killed
        // after 5 s.
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!Reaped()) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                return;
            }
            const timespec pause{0, 10'000'000};
            nanosleep(&pause, nullptr);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Reaped() {
        if (!reaped_ && waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
        return reaped_;
    }
    int WaitStatus() const { return status_; }

private:
    pid_t pid_;
    bool reaped_ = false;
    int status_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: first_frame PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const std::unique_ptr<Display, DisplayCloser> connection(XOpenDisplay(nullptr));
    if (!connection) {
        std::fprintf(stderr, "first_frame: cannot open the display\n");
        return 1;
    }
    Display* display = connection.get();
    int eventBase = 0;
    int errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "first_frame: the X server has no DAMAGE extension\n");
        return 1;
    }
    // A bounding box report: every drawing after the last one the server told
    // of grows it, so the first event comes with the first drawing.
    const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportBoundingBox);
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == eventBase + XDamageNotify) {
            const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(event);
            std::fprintf(stderr, "before: %d %d %u %u\n", d.area.x, d.area.y, d.area.width, d.area.height);
        }
    }
    XDamageSubtract(display, damage, None, None);
    XSync(display, False);

    const Clock::time_point started = Clock::now();
    pid_t pid = 0;
    if (const int error = posix_spawnp(&pid, argv[1], nullptr, nullptr, argv + 1, environ); error != 0) {
        std::fprintf(stderr, "first_frame: cannot start %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }
    Child hack(pid);
    const Clock::time_point deadline = started + std::chrono::seconds(30);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase + XDamageNotify) continue;
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            const auto& report = reinterpret_cast<const XDamageNotifyEvent&>(event);
            std::printf("first_ms=%.1f x=%d y=%d width=%u height=%u\n", ms, report.area.x, report.area.y,
                        report.area.width, report.area.height);
            return 0;
        }
        if (hack.Reaped()) {
            std::fprintf(stderr, "first_frame: %s ended (wait status %#x) before drawing anything\n", argv[1], hack.WaitStatus());
            return 1;
        }
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "first_frame: %s drew nothing in 30 s\n", argv[1]);
            return 1;
        }
        // Woken at once by the server's event; the 10 ms only bound how late
        // an early end of the hack is noticed.
        pollfd server{ConnectionNumber(display), POLLIN, 0};
        if (poll(&server, 1, 10) < 0 && errno != EINTR) {
            std::perror("first_frame: poll");
            return 1;
        }
    }
}
