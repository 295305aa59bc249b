// UTF-8 inside the program, UTF-16 at the Windows boundary.
#pragma once

#include <string>

namespace lumora::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// The text as it comes back after a trip through the ANSI code page: characters
// that the code page cannot hold turn into what it stores instead ("?").
std::wstring AnsiForm(const std::wstring& wide);

// The longest start of the text whose ANSI form takes at most maxBytes bytes,
// never cutting a character in two.
std::wstring AnsiPrefix(const std::wstring& wide, std::size_t maxBytes);

} // namespace lumora::win32
