// The Linux edition's entry: a screen-saver hack as XScreenSaver runs them,
// and a screen saver of its own on Wayland. Under X11 it draws the shower into
// the window the daemon gives ($XSCREENSAVER_WINDOW or -window-id), the root
// (-root) or a window of its own (-window); on Wayland, when nothing asks for
// X11, over every output or in a window of its own. The background music of
// the settings plays until SIGTERM or, on Wayland, the user's input.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "linux/loop.h"
#include "linux/runtime_folder.h"
#include "linux/setup.h"
#include "linux/wayland/saver.h"
#include "linux/x11/saver.h"

namespace {

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

} // namespace

int main(int argc, char** argv) {
    using namespace lumora;
    // First, before any thread is made: every thread inherits the blocked signals.
    linux_desktop::EndingSignals signals;
    // Before the music thread and the settings' music lock look for it.
    linux_desktop::FindRuntimeFolder();
    const linux_desktop::HackSetup setup = linux_desktop::ReadHackSetup(argc, argv, stderr);
    if (setup.help) {
        std::fputs(kHackUsage, stdout);
        return 0;
    }
    // The time zone read now, not in the middle of the radiant's first jump.
    tzset();
    // The daemon's window, the root and a named X display are X11's; anything
    // else is drawn on Wayland where there is a compositor to draw on.
    const bool x11Asked =
        setup.target == HackTarget::Root || setup.target == HackTarget::GivenWindow || !setup.display.empty();
    if (!x11Asked && (Named("WAYLAND_DISPLAY") || Named("WAYLAND_SOCKET"))) {
        if (const std::optional<int> code = wayland::RunOnWayland(setup, signals)) {
            // Everything given back by now: the compositor's objects, the music.
            signals.EndByTaken();
            return *code;
        }
        if (!Named("DISPLAY")) {
            std::fprintf(stderr, "lumora: cannot connect to the Wayland compositor %s\n",
                         Named("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "of $WAYLAND_SOCKET");
            return 1;
        }
    }
    const int code = x11::RunOnX11(setup, signals);
    // The window given back and the connection closed.
    signals.EndByTaken();
    return code;
}
