// The Linux hack's command line, read the way XScreenSaver's own hacks read
// theirs, and the settings it overrides. What cannot be used is told, one
// complaint each, and left out: the hack then runs on what it has.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace lumora {

enum class HackTarget {
    Screens,     // nothing said: every screen where the desktop lets a program
                 // cover them (Wayland), else a window of its own
    OwnWindow,   // -window: a window of its own
    Root,        // -root without a daemon's window
    GivenWindow, // -window-id ID, or the daemon's window
};

// -geometry's WIDTHxHEIGHT+X+Y, X's way: each part may be left out; a place
// after "-" counts from the right or the bottom.
struct WindowGeometry {
    int width = 0;  // 0 when not given
    int height = 0;
    bool placed = false; // x and y given
    int x = 0;
    int y = 0;
    bool fromRight = false;
    bool fromBottom = false;
    friend bool operator==(const WindowGeometry& a, const WindowGeometry& b) {
        return a.width == b.width && a.height == b.height && a.placed == b.placed && a.x == b.x && a.y == b.y &&
               a.fromRight == b.fromRight && a.fromBottom == b.fromBottom;
    }
};

struct HackOptions {
    HackTarget target = HackTarget::Screens;
    unsigned long window = 0; // the X window for GivenWindow
    // What the options say about the music; empty where they say nothing.
    std::optional<MusicKind> music;
    std::optional<std::int16_t> track;
    std::optional<std::string> file;
    std::optional<std::string> device; // the CD's drive or disc image
    std::string display;  // -display's X display, "" for $DISPLAY
    std::string geometry; // -geometry's, X's WIDTHxHEIGHT+X+Y, "" for none
    bool help = false;   // -help: the usage is shown and nothing runs
    bool fps = false;    // -fps: the frame rate in a corner (-no-fps: not)
};

// [=][WIDTH[xHEIGHT]][{+-}X{+-}Y]; nothing for anything else.
std::optional<WindowGeometry> ParseGeometry(const std::string& text);

// What -help prints: the options, a line each.
extern const char* const kHackUsage;

// The highest track an audio CD can have.
inline constexpr int kLastCdTrack = 99;

// `arguments` come after the program's name; `daemonWindow` is
// $XSCREENSAVER_WINDOW ("" when unset). The daemon's window is drawn in unless
// an option says otherwise; -root stands for it, as the virtual root does for
// XScreenSaver's hacks. Complaints are whole sentences without the program's name.
HackOptions ParseHackOptions(const std::vector<std::string>& arguments, std::string_view daemonWindow,
                             std::vector<std::string>& complaints);

// The stored settings with what the options say put over them; with -music,
// the options alone decide the music.
Settings WithOptions(Settings settings, const HackOptions& options);

// As on Windows, a music file that cannot be read now is dropped, and the
// sound file's kind with it, which is told; a stale path under the CD goes
// quietly. `unreadable` is why the file cannot be read, "" when it can.
Settings WithMusicFileReadable(Settings settings, const std::string& unreadable, std::vector<std::string>& complaints);

// The stored settings as LoadStoredSettings reads them, with a complaint for each
// value that it had to read as "none".
Settings LoadStoredSettingsTelling(platform::Profile& profile, const SettingsFile& file,
                                   std::vector<std::string>& complaints);

} // namespace lumora
