// The Linux edition's entry: a screen-saver hack as XScreenSaver runs them. It
// draws the shower into the window the daemon gives ($XSCREENSAVER_WINDOW or
// -window-id), the root (-root) or a window of its own (-window), with the
// background music of the settings, until SIGTERM.
#include <cstdio>
#include <ctime>

#include "linux/loop.h"
#include "linux/setup.h"
#include "linux/x11/saver.h"

int main(int argc, char** argv) {
    using namespace lumora;
    // First, before any thread is made: every thread inherits the blocked signals.
    const linux_desktop::UniqueFd signals = linux_desktop::EndingSignals();
    const linux_desktop::HackSetup setup = linux_desktop::ReadHackSetup(argc, argv, stderr);
    // The time zone read now, not in the middle of the radiant's first jump.
    tzset();
    return x11::RunOnX11(setup, signals);
}
