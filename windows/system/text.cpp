#include "windows/system/text.h"

#include <windows.h>

namespace lumora::win32 {
namespace {

int Length(std::size_t size) { return static_cast<int>(size); }

} // namespace

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int count = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), Length(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), Length(utf8.size()), wide.data(), count);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    int count = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), Length(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), Length(wide.size()), utf8.data(), count, nullptr,
                          nullptr);
    return utf8;
}

std::wstring AnsiForm(const std::wstring& wide) {
    if (wide.empty()) return {};
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), Length(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), Length(wide.size()), ansi.data(), bytes, nullptr,
                          nullptr);
    int count = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
    std::wstring back(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), count);
    return back;
}

std::wstring AnsiPrefix(const std::wstring& wide, std::size_t maxBytes) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < wide.size()) {
        std::size_t unit = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data() + i, Length(unit), nullptr, 0,
                                          nullptr, nullptr);
        if (bytes <= 0) bytes = 1;
        if (used + static_cast<std::size_t>(bytes) > maxBytes) break;
        used += static_cast<std::size_t>(bytes);
        i += unit;
    }
    return wide.substr(0, i);
}

} // namespace lumora::win32
