#include "startup/command_line.h"

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {
namespace {

// Byte offset of the start of the n-th character (0-based) of UTF-8 text, or
// npos when the text has fewer characters. A stray byte counts as a character.
std::size_t CharacterOffset(std::string_view text, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t seen = 0; seen < n; ++seen) {
        if (i >= text.size()) return std::string_view::npos;
        i = NextCharacter(text, i);
    }
    return i < text.size() ? i : std::string_view::npos;
}

// How much of the start of the line is the program's own path, unquoted, in one
// of its forms, with or without its extension; 0 when none is. Windows' file
// names ignore the letter case.
std::size_t ProgramPathLength(std::string_view line, const std::vector<std::string>& programPaths) {
    const std::string upperLine = AsciiUpper(std::string(line));
    std::size_t longest = 0;
    for (const std::string& path : programPaths) {
        std::vector<std::string> forms = {path};
        const std::size_t dot = path.find_last_of('.');
        const std::size_t slash = path.find_last_of('\\');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) forms.push_back(path.substr(0, dot));
        for (const std::string& form : forms) {
            const std::string upperForm = AsciiUpper(form);
            if (upperForm.empty() || upperLine.compare(0, upperForm.size(), upperForm) != 0) continue;
            if (upperLine.size() > upperForm.size() && !IsBlank(upperLine[upperForm.size()])) continue;
            if (form.size() > longest) longest = form.size();
        }
    }
    return longest;
}

} // namespace

Switch ParseSwitch(std::string_view commandLine, const std::vector<std::string>& programPaths) {
    const std::string arguments = ArgumentText(commandLine, programPaths);
    Switch parsed;
    parsed.handleText = HandleText(arguments);
    if (arguments.empty()) {
        parsed.mode = Mode::NoSwitch;
        return parsed;
    }
    const std::string letter = ModeLetter(arguments);
    parsed.mode = letter == "S"   ? Mode::Saver
                  : letter == "P" ? Mode::Preview
                  : letter == "C" ? Mode::Configure
                  : letter == "A" ? Mode::ChangePassword
                                  : Mode::Unknown;
    return parsed;
}

std::string ArgumentText(std::string_view commandLine, const std::vector<std::string>& programPaths) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine.front() == '"') {
        std::size_t close = commandLine.find('"', 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else if (std::size_t length = ProgramPathLength(commandLine, programPaths); length != 0) {
        i = length;
    } else {
        // The split Windows makes for WinMain's command line: up to the first blank.
        while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    return std::string(commandLine.substr(i));
}

std::string ModeLetter(std::string_view argumentText) {
    std::size_t start = CharacterOffset(argumentText, 1);
    if (start == std::string_view::npos) return "";
    std::size_t end = CharacterOffset(argumentText, 2);
    return AsciiUpper(std::string(argumentText.substr(
        start, end == std::string_view::npos ? std::string_view::npos : end - start)));
}

std::string HandleText(std::string_view argumentText) {
    std::size_t start = CharacterOffset(argumentText, 3);
    return start == std::string_view::npos ? "" : std::string(argumentText.substr(start));
}

std::int32_t LenientHandle(std::string_view handleText) {
    return RoundToInt32(LeadingNumber(handleText)).value_or(0);
}

std::optional<std::int32_t> StrictHandle(std::string_view handleText) {
    std::optional<double> number = ParseNumber(handleText);
    if (!number) return std::nullopt;
    return RoundToInt32(*number);
}

} // namespace lumora
