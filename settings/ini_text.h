// The settings file's layout read from its text, as Windows' private profile
// functions read it, for systems that have none: "[Section]" lines, "key=value"
// lines under them, names matched without regard to ASCII case.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// The value of the first `key` in the first section named `section`, blanks
// around it trimmed and one pair of enclosing quotes (" or ') taken off;
// nothing when the section or the key is missing. Lines that are none of the
// layout's are passed over, as Windows passes them over.
std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key);

// What keeps text from being a settings file, "" when nothing: NUL bytes (a
// UTF-16 file, or no text at all) or bytes that are no UTF-8 (a file in a
// Windows code page).
std::string IniTextFault(std::string_view text);

// The number of the first line that is neither blank, a comment (";" or "#"),
// a section nor a key, counted from 1; 0 when there is none.
std::size_t IniStrayLine(std::string_view text);

} // namespace lumora
