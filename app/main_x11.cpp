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
#include "platform/x11/shower_view_x11.h"
#include "platform/x11/x11_surface.h"

namespace {

using namespace lumora;

struct Options {
    x11::Target target = x11::Target::OwnWindow;
    Window window = 0;
};

// XScreenSaver's conventions: "-root", "-window", "-window-id ID"; "--x" is "-x".
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    if (const char* given = std::getenv("XSCREENSAVER_WINDOW"); given != nullptr && *given != '\0') {
        options.target = x11::Target::GivenWindow;
        options.window = static_cast<Window>(std::strtoul(given, nullptr, 0));
    }
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option.rfind("--", 0) == 0) option.erase(0, 1);
        if (option == "-root") {
            options.target = x11::Target::Root;
        } else if (option == "-window") {
            options.target = x11::Target::OwnWindow;
        } else if (option == "-window-id" && i + 1 < argc) {
            options.target = x11::Target::GivenWindow;
            options.window = static_cast<Window>(std::strtoul(argv[++i], nullptr, 0));
        } else {
            std::fprintf(stderr, "lumora: unknown option %s (try -root, -window or -window-id ID)\n", argv[i]);
        }
    }
    return options;
}

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
    const std::optional<Options> options = ParseOptions(argc, argv);
    x11::Connection connection(XOpenDisplay(nullptr));
    if (!connection) {
        std::fprintf(stderr, "lumora: cannot open the display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    Display* display = connection.get();
    Window window = 0;
    if (options->target == x11::Target::GivenWindow) {
        window = options->window;
    } else if (options->target == x11::Target::Root) {
        window = DefaultRootWindow(display);
    } else {
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1024, 768, 0, 0,
                                     BlackPixel(display, DefaultScreen(display)));
        XStoreName(display, window, "Lumora");
        XMapWindow(display, window);
    }
    // SIGTERM and SIGINT arrive as readable data, so the loop ends between frames.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);

    Random random;
    x11::ShowerView view(display, window, random,
                         options->target == x11::Target::OwnWindow ? KeyPressMask : NoEventMask);
    view.Seed(Milliseconds);

    auto nextFrame = std::chrono::steady_clock::now();
    auto nextJump = nextFrame + std::chrono::milliseconds(Shower::kJumpIntervalMs);
    bool running = true;
    while (running) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress) running = false;
            view.Handle(event);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextFrame) {
            view.Frame();
            nextFrame += std::chrono::milliseconds(Shower::kFrameIntervalMs);
            if (nextFrame < now) nextFrame = now + std::chrono::milliseconds(Shower::kFrameIntervalMs);
        }
        if (now >= nextJump) {
            view.JumpRadiant(SecondsSinceMidnight());
            nextJump += std::chrono::milliseconds(Shower::kJumpIntervalMs);
            // After a stop (SIGSTOP, a suspend) one jump, not one for each period missed.
            if (nextJump < now) nextJump = now + std::chrono::milliseconds(Shower::kJumpIntervalMs);
        }
        // Rounded up: a wait cut to 0 ms would spin through the frame's last millisecond.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextFrame - std::chrono::steady_clock::now());
        pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {signals, POLLIN, 0}};
        if (poll(watched, 2, static_cast<int>(std::max<long long>(0, wait.count()))) > 0 && (watched[1].revents & POLLIN))
            running = false;
    }
    return 0;
}
