#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <vector>

#include "platform/win32/library_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/window_win32.h"

namespace lumora::win32 {

platform::Platform Win32Platform::Seams() {
    return platform::Platform{*this, *this, *this, *this, *this, *this, *this, *this, *this};
}

bool Win32Platform::TopLevelWindowExists(const std::string& title) {
    return ::FindWindowW(nullptr, Widen(title).c_str()) != nullptr;
}

int Win32Platform::Show(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

platform::VersionAnswer Win32Platform::QueryVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info); // 148
    platform::VersionAnswer answer;
    answer.result = ::GetVersionExA(&info);
    answer.platformId = info.dwPlatformId;
    return answer;
}

void Win32Platform::SetScreenSaverRunning(std::uint32_t param) {
    ::SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, param, nullptr, 0);
}

void Win32Platform::ChangePassword(const std::string& registryKey, platform::WindowHandle owner,
                                   std::uint32_t reserved1, std::uint32_t reserved2) {
    using PwdChangePasswordA = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
    // Only Windows 95, 98 and Me have it.
    if (auto change = LoadFunction<PwdChangePasswordA>(L"mpr.dll", "PwdChangePasswordA"))
        change(registryKey.c_str(), ToWindow(owner), reserved1, reserved2);
}

// The file stays in the ANSI code page, as the platform writes a new one. Names
// are handed over in the form the file will hold them, so that a name the code
// page cannot spell is still found again by the next run.
std::string Win32Platform::Read(const std::string& section, const std::string& key,
                                const std::string& path, std::size_t bufferBytes) {
    if (bufferBytes == 0) return "";
    // Every character takes at least one byte, so this many characters always
    // hold the bufferBytes - 1 bytes we may return.
    std::vector<wchar_t> buffer(bufferBytes, L'\0');
    DWORD count = ::GetPrivateProfileStringW(AnsiForm(Widen(section)).c_str(),
                                             AnsiForm(Widen(key)).c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), Widen(path).c_str());
    std::wstring value(buffer.data(), count);
    return Narrow(AnsiPrefix(value, bufferBytes - 1));
}

std::int32_t Win32Platform::Write(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& path) {
    return ::WritePrivateProfileStringW(AnsiForm(Widen(section)).c_str(),
                                        AnsiForm(Widen(key)).c_str(), Widen(value).c_str(),
                                        Widen(path).c_str());
}

bool Win32Platform::CanOpenForReading(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.empty()) return false;
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Devices such as CON or a COM port open too, but are no music file.
    bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
    ::CloseHandle(file);
    return disk;
}

std::string Win32Platform::CommandLine() {
    const wchar_t* line = ::GetCommandLineW();
    return line == nullptr ? "" : Narrow(line);
}

std::string Win32Platform::ProgramFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return "";
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);
    }
    std::size_t slash = name.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : name.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return Narrow(folder);
}

} // namespace lumora::win32

namespace lumora::win32 {

std::uint32_t Win32Platform::TickCount() { return ::GetTickCount(); }

double Win32Platform::SecondsSinceMidnight() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

} // namespace lumora::win32

namespace lumora::win32 {
namespace {

// Offers a buffer of `length` characters that starts with the text it held, so
// that a call which writes nothing leaves that text, and reads back its text.
template <typename Call>
std::int32_t WithBuffer(std::string& buffer, std::size_t length, Call call) {
    std::vector<wchar_t> wide(length + 1, L'\0');
    const std::wstring before = Widen(buffer);
    before.copy(wide.data(), std::min(before.size(), length));
    const std::int32_t result = call(wide.data(), static_cast<UINT>(length));
    wide[length] = L'\0';
    buffer = Narrow(std::wstring(wide.data()));
    return result;
}

} // namespace

// The multimedia library wakes the sound system when it loads, which takes a
// while under Wine; only a run with music needs it, so it loads on first use.
template <typename Function>
Function Multimedia(const char* name) {
    return LoadFunction<Function>(L"winmm.dll", name);
}

std::int32_t Win32Platform::SendString(const std::string& command, std::string* buffer,
                                       std::size_t length) {
    using Send = MCIERROR(WINAPI*)(LPCWSTR, LPWSTR, UINT, HWND);
    auto send = Multimedia<Send>("mciSendStringW");
    if (send == nullptr) return MCIERR_CANNOT_LOAD_DRIVER;
    const std::wstring wide = Widen(command);
    if (buffer == nullptr || length == 0)
        return static_cast<std::int32_t>(send(wide.c_str(), nullptr, 0, nullptr));
    return WithBuffer(*buffer, length, [&](wchar_t* text, UINT size) {
        return static_cast<std::int32_t>(send(wide.c_str(), text, size, nullptr));
    });
}

std::int32_t Win32Platform::GetErrorString(std::int32_t code, std::string& buffer, std::size_t length) {
    using Describe = BOOL(WINAPI*)(MCIERROR, LPWSTR, UINT);
    auto describe = Multimedia<Describe>("mciGetErrorStringW");
    if (describe == nullptr) return 0;
    return WithBuffer(buffer, length, [&](wchar_t* text, UINT size) {
        return describe(static_cast<MCIERROR>(code), text, size) ? 1 : 0;
    });
}

std::int32_t Win32Platform::WaveOutDevices() {
    using Count = UINT(WINAPI*)();
    auto count = Multimedia<Count>("waveOutGetNumDevs");
    return count == nullptr ? 0 : static_cast<std::int32_t>(count());
}

std::int32_t Win32Platform::Play(const std::string* name, std::uint32_t flags) {
    using PlaySoundW = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    auto play = Multimedia<PlaySoundW>("PlaySoundW");
    if (play == nullptr) return 0;
    return play(name == nullptr ? nullptr : Widen(*name).c_str(), nullptr, flags);
}

} // namespace lumora::win32
