// The screen-saver switch on the command line: "/s", "/p 1234", "/c", "/a 1234".
// Read once at start-up into a Switch that is handed to whoever needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

enum class Mode {
    NoSwitch,       // started with nothing after the program's name: the saver, for a test
    Saver,          // "/s": the saver, started by Windows
    Preview,        // "/p HWND": the still picture in the control panel's pane
    Configure,      // "/c": the settings dialog
    ChangePassword, // "/a HWND": the old family's password change
    Unknown,        // anything else: nothing to do
};

struct Switch {
    Mode mode = Mode::NoSwitch;
    std::string handleText; // what may name a window, for /p and /a
};

// The switch of a whole command line, program name included. `programPaths`
// are the forms of the program's own path (long and short): an unquoted one
// with blanks in it is known by them and skipped whole.
Switch ParseSwitch(std::string_view commandLine, const std::vector<std::string>& programPaths = {});

// What follows the program's name (quoted or not) and the blanks after it.
std::string ArgumentText(std::string_view commandLine, const std::vector<std::string>& programPaths = {});

// The second character of the argument text, upper-cased; "" when there is
// none. The first character is not looked at, so "/s", "-s" and "xS" all say "S".
std::string ModeLetter(std::string_view argumentText);

// The argument text from its fourth character on: "/p 1234" and "/p:1234" both
// give "1234"; "" when the text is shorter.
std::string HandleText(std::string_view argumentText);

// The preview's reading: the number at the start, 0 when there is none. A number
// that no 32-bit handle can hold gives 0 too: there is no such pane to live in.
std::int32_t LenientHandle(std::string_view handleText);

// The password change's reading: the whole text must be one number that fits
// 32 bits, or there is no handle at all.
std::optional<std::int32_t> StrictHandle(std::string_view handleText);

} // namespace lumora
