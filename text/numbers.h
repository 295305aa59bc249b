// Reading numbers out of text the way the settings file and the command line
// need it, without locale, exceptions or surprises on hostile input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// The whole text, with blanks around it allowed, is one decimal number:
// an optional sign, digits with an optional fraction, an optional exponent
// ("2.9", " 7", "-0.5", "1e3"). Hexadecimal forms such as "&H10", thousands
// separators, "inf" and "nan" are not numbers here.
std::optional<double> ParseNumber(std::string_view text);

// The number at the start of the text, after leading blanks; reading stops at the
// first character that cannot continue it. Text without a number gives 0.
double LeadingNumber(std::string_view text);

// Nearest whole number, halves to the even neighbour; nullopt when the result
// does not fit (NaN and infinities included).
std::optional<std::int16_t> RoundToInt16(double value);
std::optional<std::int32_t> RoundToInt32(double value);

// The number with a leading sign position: " 12" for 12 and 0 (" 0"), "-3" for -3.
std::string SignColumn(long long value);

} // namespace lumora
