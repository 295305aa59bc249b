// What the hack is told before it starts: where to draw and which music, from
// its options, the daemon's environment and the user's settings file.
#pragma once

#include <cstdio>
#include <string>

#include "settings/settings.h"
#include "startup/hack_options.h"

namespace lumora::linux_desktop {

// Smaller than this in either direction, a window is a preview, not a screen
// (XScreenSaver's settings program shows hacks in about 400x300): it shows the
// shower of a screen and plays no music.
inline constexpr int kPreviewBelowWidth = 640;
inline constexpr int kPreviewBelowHeight = 480;

inline bool PreviewSized(int width, int height) {
    return width < kPreviewBelowWidth || height < kPreviewBelowHeight;
}

struct HackSetup {
    HackTarget target = HackTarget::Screens;
    unsigned long window = 0; // the X window for HackTarget::GivenWindow
    Settings settings;        // lumora.ini's values with the options applied
    std::string cdDevice;     // -device's or lumora.ini's CD drive, "" for the system's
    std::string display;      // -display's X display, "" for $DISPLAY
    WindowGeometry geometry;  // -geometry's, for -window's window
    bool help = false;        // -help: the usage, and nothing else
    bool fps = false;         // -fps: the frame rate in a corner
};

// Reads the options (XScreenSaver's way: -root, -window, -window-id ID, -music none|cd|file,
// -track N, -file PATH, -device PATH; "--x" is "-x") and $XSCREENSAVER_WINDOW, and the settings file
// $XDG_CONFIG_HOME/lumora/lumora.ini (else ~/.config/lumora/lumora.ini). What it cannot use
// it tells on `complaints`, one line each, starting "lumora: ", and goes on with the defaults.
HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints);

} // namespace lumora::linux_desktop
