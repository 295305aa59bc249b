#include "text/numbers.h"
#include "text/text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace lumora {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest decimal number at the start of text (0 when none).
std::size_t ScanNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        std::size_t fraction = 0;
        while (j < text.size() && IsDigit(text[j])) { ++j; ++fraction; }
        if (digits + fraction > 0) { i = j; digits += fraction; }
    }
    if (digits == 0) return 0;
    // An exponent counts only when at least one digit follows it: "2e" is the number 2.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < text.size() && IsDigit(text[j])) { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i;
}

// Converts text that ScanNumber accepted whole. Values beyond double's range
// become infinities, which no later range check lets through.
double Convert(std::string_view number) {
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on overflow and underflow alike:
        // tell them apart by the exponent's sign.
        bool tiny = number.find("e-") != std::string_view::npos ||
                    number.find("E-") != std::string_view::npos;
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

template <typename Int>
std::optional<Int> RoundInto(double value, double lowest, double highest) {
    if (!std::isfinite(value)) return std::nullopt;
    // nearbyint rounds halves to even in the default rounding mode.
    double whole = std::nearbyint(value);
    if (whole < lowest || whole > highest) return std::nullopt;
    return static_cast<Int>(whole);
}

} // namespace

std::optional<double> ParseNumber(std::string_view text) {
    text = TrimBlanks(text);
    std::size_t length = ScanNumber(text);
    if (length == 0 || length != text.size()) return std::nullopt;
    return Convert(text);
}

double LeadingNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    std::size_t length = ScanNumber(text);
    return length == 0 ? 0.0 : Convert(text.substr(0, length));
}

std::optional<std::int16_t> RoundToInt16(double value) {
    return RoundInto<std::int16_t>(value, -32768.0, 32767.0);
}

std::optional<std::int32_t> RoundToInt32(double value) {
    return RoundInto<std::int32_t>(value, -2147483648.0, 2147483647.0);
}

std::string SignColumn(long long value) {
    std::string digits = std::to_string(value);
    return value < 0 ? digits : " " + digits;
}

} // namespace lumora
