// The Linux edition's entry: a screen-saver hack as XScreenSaver runs them. It
// draws the shower into the window the daemon gives ($XSCREENSAVER_WINDOW or
// -window-id), the root (-root) or a window of its own (-window), a frame every
// 10 ms, until SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/random.h"
#include "display/shower.h"
#include "platform/x11/hack_setup_x11.h"
#include "platform/x11/x11_surface.h"

namespace {

using namespace lumora;

double SecondsSinceMidnight() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
}

std::uint32_t Milliseconds() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

int main(int argc, char** argv) {
    const x11::HackSetup setup = x11::ReadHackSetup(argc, argv, stderr);
    x11::Connection connection(XOpenDisplay(nullptr));
    if (!connection) {
        std::fprintf(stderr, "lumora: cannot open the display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    Display* display = connection.get();
    Window window = 0;
    if (setup.target == x11::Target::GivenWindow) {
        window = setup.window;
    } else if (setup.target == x11::Target::Root) {
        window = DefaultRootWindow(display);
    } else {
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1024, 768, 0, 0,
                                     BlackPixel(display, DefaultScreen(display)));
        XStoreName(display, window, "Lumora");
        XMapWindow(display, window);
    }
    XSelectInput(display, window, StructureNotifyMask | ExposureMask |
                                      (setup.target == x11::Target::OwnWindow ? KeyPressMask : 0));

    // SIGTERM and SIGINT arrive as readable data, so the loop ends between frames.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);

    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    GC gc = XCreateGC(display, window, 0, nullptr);
    Random random;
    Shower shower(random);
    std::unique_ptr<x11::SurfaceImage> image;
    auto layOut = [&](int width, int height) {
        image = std::make_unique<x11::SurfaceImage>(display, attributes.visual, attributes.depth, width, height);
        shower.LayOut(image->Pixels(), x11::MonitorsOf(display, window, width, height));
    };
    layOut(attributes.width, attributes.height);
    shower.Seed(Milliseconds);

    // Reused every frame: a frame allocates nothing.
    std::vector<Rect> changed;
    std::vector<XRectangle> clip;
    changed.reserve(2 * Shower::kDefaultStars * 4);
    clip.reserve(changed.capacity());
    auto nextFrame = std::chrono::steady_clock::now();
    auto nextJump = nextFrame + std::chrono::milliseconds(Shower::kJumpIntervalMs);
    bool running = true;
    while (running) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ConfigureNotify &&
                (event.xconfigure.width != attributes.width || event.xconfigure.height != attributes.height)) {
                attributes.width = event.xconfigure.width;
                attributes.height = event.xconfigure.height;
                layOut(attributes.width, attributes.height);
            } else if (event.type == KeyPress) {
                running = false;
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextFrame) {
            changed.clear();
            shower.Frame(&changed);
            image->ShowChanged(window, gc, shower.Areas(), changed, clip);
            XFlush(display);
            nextFrame += std::chrono::milliseconds(Shower::kFrameIntervalMs);
            if (nextFrame < now) nextFrame = now + std::chrono::milliseconds(Shower::kFrameIntervalMs);
        }
        if (now >= nextJump) {
            shower.JumpRadiant(SecondsSinceMidnight());
            nextJump += std::chrono::milliseconds(Shower::kJumpIntervalMs);
        }
        // Rounded up: a wait cut to 0 ms would spin through the frame's last millisecond.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextFrame - std::chrono::steady_clock::now());
        pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {signals, POLLIN, 0}};
        if (poll(watched, 2, static_cast<int>(std::max<long long>(0, wait.count()))) > 0 && (watched[1].revents & POLLIN))
            running = false;
    }
    image.reset();
    XFreeGC(display, gc);
    return 0;
}
