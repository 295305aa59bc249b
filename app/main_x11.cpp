// The Linux edition's entry: a screen-saver hack as XScreenSaver runs them. It
// draws the shower into the window the daemon gives ($XSCREENSAVER_WINDOW or
// -window-id), the root (-root) or a window of its own (-window), with the
// background music of the settings, until SIGTERM.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/x11/hack_setup_x11.h"
#include "platform/x11/saver_x11.h"
#include "platform/x11/x11_surface.h"

int main(int argc, char** argv) {
    using namespace lumora;
    // First, before any thread is made: every thread inherits the blocked signals.
    x11::UniqueFd signals = x11::EndingSignals();
    const x11::HackSetup setup = x11::ReadHackSetup(argc, argv, stderr);
    // The time zone read now, not in the middle of the radiant's first jump.
    tzset();
    x11::Connection connection(XOpenDisplay(nullptr));
    if (!connection) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "lumora: cannot open the display %s\n", name != nullptr ? name : "");
        return 1;
    }
    x11::X11Saver saver(connection.get(), setup, std::move(signals));
    return saver.Run() ? 0 : 1;
}
