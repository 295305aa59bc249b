// What the hack is told before it starts: where to draw and which music, from
// its options, the daemon's environment and the user's settings file.
#pragma once

#include <cstdio>

#include "settings/settings.h"
#include "startup/hack_options.h"

namespace lumora::linux_desktop {

struct HackSetup {
    HackTarget target = HackTarget::OwnWindow;
    unsigned long window = 0; // the X window for HackTarget::GivenWindow
    Settings settings;        // lumora.ini's values with the options applied
};

// Reads the options (XScreenSaver's way: -root, -window, -window-id ID, -music none|cd|file,
// -track N, -file PATH; "--x" is "-x") and $XSCREENSAVER_WINDOW, and the settings file
// $XDG_CONFIG_HOME/lumora/lumora.ini (else ~/.config/lumora/lumora.ini). What it cannot use
// it tells on `complaints`, one line each, starting "lumora: ", and goes on with the defaults.
HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints);

} // namespace lumora::linux_desktop
