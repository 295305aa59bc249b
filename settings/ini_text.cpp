#include "settings/ini_text.h"

#include <vector>

#include "text/text.h"

namespace lumora {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiUpper(std::string(a)) == AsciiUpper(std::string(b));
}

std::vector<std::string_view> Lines(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The name of a "[name]" line; nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    if (line.empty() || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trimmed(line.substr(1, close - 1));
}

// The length of the well-formed UTF-8 character at the start of `text`, 0 when there is none.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(text[i])) return 0;
    return length;
}

} // namespace

std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    bool seenSection = false;
    for (std::string_view line : Lines(text)) {
        line = Trimmed(line);
        if (std::optional<std::string_view> name = SectionName(line)) {
            // The first section of the name is the one read; a later one of the same name is not.
            if (inSection) return std::nullopt;
            inSection = !seenSection && SameName(*name, section);
            seenSection = seenSection || inSection;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos || !SameName(Trimmed(line.substr(0, equals)), key))
            continue;
        std::string_view value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

std::string IniTextFault(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        return "holds NUL bytes: no UTF-8 text (a settings file from Windows' user folder is UTF-16: "
               "iconv -f UTF-16 -t UTF-8 makes it one)";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text.substr(i));
        if (length == 0)
            return "is no UTF-8 text (a settings file from beside Lumora.scr is in code page 932: "
                   "iconv -f CP932 -t UTF-8 makes it UTF-8)";
        i += length;
    }
    return "";
}

std::size_t IniStrayLine(std::string_view text) {
    const std::vector<std::string_view> lines = Lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = Trimmed(lines[i]);
        if (line.empty() || line.front() == ';' || line.front() == '#' || SectionName(line) ||
            line.find('=') != std::string_view::npos)
            continue;
        return i + 1;
    }
    return 0;
}

} // namespace lumora
