// Small facts about the program's UTF-8 text, shared by every subsystem.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumora {

// A blank between words of a command line or around a number.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A byte that continues a UTF-8 character rather than starting one. A stray
// byte that is neither counts as a character of its own.
inline bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where the character after the one starting at `i` starts.
inline std::size_t NextCharacter(std::string_view text, std::size_t i) {
    ++i;
    while (i < text.size() && IsContinuation(text[i])) ++i;
    return i;
}

// Upper-cases the letters a to z and leaves every other byte alone.
inline std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace lumora
