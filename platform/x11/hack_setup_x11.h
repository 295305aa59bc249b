// platform/x11/hack_setup_x11.h
#pragma once
#include <cstdio>
#include "settings/settings.h"          // before Xlib, whose macro None would hide MusicKind::None
#include "platform/x11/x11_surface.h"   // x11::Target { OwnWindow, Root, GivenWindow } lives there today
namespace lumora::x11 {
struct HackSetup {
    Target target = Target::OwnWindow;
    unsigned long window = 0;   // the X window for Target::GivenWindow
    Settings settings;          // lumora.ini's values with the options applied
};
// Reads the options (XScreenSaver's way: -root, -window, -window-id ID, -music none|cd|file,
// -track N, -file PATH; "--x" is "-x") and $XSCREENSAVER_WINDOW, and the settings file
// $XDG_CONFIG_HOME/lumora/lumora.ini (else ~/.config/lumora/lumora.ini). What it cannot use
// it tells on `complaints`, one line each, starting "lumora: ", and goes on with the defaults.
HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints);
}
