// What the hack is told before it starts: where to draw and which music, from
// its options, the daemon's environment and the user's settings file.
#pragma once

#include <cstdio>

// Before any X header: Xlib defines None as a macro, which would take the
// place of MusicKind::None. Code that includes X headers names that kind
// otherwise (MusicKind{}).
#include "settings/settings.h"

#include "platform/x11/x11_surface.h"

namespace lumora::x11 {

struct HackSetup {
    Target target = Target::OwnWindow;
    unsigned long window = 0; // the X window for Target::GivenWindow
    Settings settings;        // lumora.ini's values with the options applied
};

// Reads the options (XScreenSaver's way: -root, -window, -window-id ID, -music none|cd|file,
// -track N, -file PATH; "--x" is "-x") and $XSCREENSAVER_WINDOW, and the settings file
// $XDG_CONFIG_HOME/lumora/lumora.ini (else ~/.config/lumora/lumora.ini). What it cannot use
// it tells on `complaints`, one line each, starting "lumora: ", and goes on with the defaults.
HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints);

} // namespace lumora::x11
