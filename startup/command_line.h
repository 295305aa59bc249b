// The screen-saver switch on the command line: "/s", "/p 1234", "/c", "/a 1234".
// Never stored: every caller reads it again from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// What follows the program's name (quoted or not) and the blanks after it.
std::string Argument_Text(std::string_view commandLine);

// The second character of the argument text, upper-cased; "" when there is
// none. The first character is not looked at, so "/s", "-s" and "xS" all say "S".
std::string Mode_Letter(std::string_view argumentText);

// The argument text from its fourth character on: "/p 1234" and "/p:1234" both
// give "1234"; "" when the text is shorter.
std::string Handle_Text(std::string_view argumentText);

// The preview's reading: the number at the start, 0 when there is none. A number
// that no 32-bit handle can hold gives 0 too: there is no such pane to live in.
std::int32_t Handle_Lenient(std::string_view handleText);

// The password change's reading: the whole text must be one number that fits
// 32 bits, or there is no handle at all.
std::optional<std::int32_t> Handle_Strict(std::string_view handleText);

} // namespace lumora
