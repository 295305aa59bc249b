#include "windows/system/seams.h"

#include <windows.h>
#include <mmsystem.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "windows/system/library.h"
#include "windows/system/text.h"
#include "windows/system/window.h"

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

// The file beside the program stays in the ANSI code page, as the platform
// writes a new one. Its names are handed over in the form the file will hold
// them, so that a name the code page cannot spell is still found again by the
// next run. The user's file is UTF-16 and holds every name as it is.
std::string Win32Platform::Read(const std::string& section, const std::string& key,
                                const std::string& path, std::size_t bufferBytes, platform::ProfileText text) {
    if (bufferBytes == 0) return "";
    const bool ansi = text == platform::ProfileText::Ansi;
    // Every character takes at least one byte, so this many characters always
    // hold the bufferBytes - 1 bytes we may return.
    std::vector<wchar_t> buffer(bufferBytes, L'\0');
    const std::wstring wideSection = ansi ? AnsiForm(Widen(section)) : Widen(section);
    const std::wstring wideKey = ansi ? AnsiForm(Widen(key)) : Widen(key);
    DWORD count = ::GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), Widen(path).c_str());
    std::wstring value(buffer.data(), count);
    if (ansi) return Narrow(AnsiPrefix(value, bufferBytes - 1));
    return Narrow(value);
}

std::int32_t Win32Platform::Write(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& path, platform::ProfileText text) {
    const bool ansi = text == platform::ProfileText::Ansi;
    const std::wstring wideSection = ansi ? AnsiForm(Widen(section)) : Widen(section);
    const std::wstring wideKey = ansi ? AnsiForm(Widen(key)) : Widen(key);
    const BOOL written = ::WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(),
                                                      Widen(value).c_str(), Widen(path).c_str());
    Outcome(written != FALSE);
    return written;
}

bool Win32Platform::Outcome(bool succeeded) {
    lastError_ = succeeded ? 0 : ::GetLastError();
    return succeeded;
}

bool Win32Platform::Exists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::MakeFolder(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return Outcome(true);
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Outcome(true);
    lastError_ = error;
    return false;
}

bool Win32Platform::Copy(const std::string& from, const std::string& to) {
    const std::wstring target = Widen(to);
    if (!Outcome(::CopyFileW(Widen(from).c_str(), target.c_str(), FALSE) != FALSE)) return false;
    // A copy of a read-only file is read-only too; this one is to be written.
    return Outcome(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE);
}

bool Win32Platform::WriteNew(const std::string& path, const std::string& bytes) {
    const FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!Outcome(static_cast<bool>(file))) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return Outcome(ok != FALSE && written == bytes.size());
}

bool Win32Platform::Flush(const std::string& path) {
    const FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!Outcome(static_cast<bool>(file))) return false;
    return Outcome(::FlushFileBuffers(file.Get()) != FALSE);
}

bool Win32Platform::Replace(const std::string& from, const std::string& to) {
    const std::wstring target = Widen(to);
    // A read-only file is one the user does not want changed. Windows refuses to
    // replace it; Wine would, so the program asks for itself.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        lastError_ = ERROR_ACCESS_DENIED;
        return false;
    }
    return Outcome(::MoveFileExW(Widen(from).c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE);
}

void Win32Platform::Remove(const std::string& path) { ::DeleteFileW(Widen(path).c_str()); }

std::string Win32Platform::DescribeError(platform::ErrorCode code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring described = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr) ::LocalFree(text);
    while (!described.empty() && (described.back() == L'\n' || described.back() == L'\r'))
        described.pop_back();
    return described.empty() ? "(" + std::to_string(code) + ")" : Narrow(described);
}

std::string Win32Platform::FolderOf(platform::KnownFolder folder) {
    // The shell is asked only here, so it loads with the settings, not with
    // every window.
    using GetKnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    auto get = LoadFunction<GetKnownFolderPath>(L"shell32.dll", "SHGetKnownFolderPath");
    if (get == nullptr) return "";
    PWSTR path = nullptr;
    const HRESULT result = get(folder == platform::KnownFolder::RoamingAppData ? FOLDERID_RoamingAppData
                                                                             : FOLDERID_LocalAppData,
                               0, nullptr, &path);
    std::string found = SUCCEEDED(result) && path != nullptr ? Narrow(path) : std::string();
    ::CoTaskMemFree(path);
    while (found.size() > 3 && found.back() == '\\') found.pop_back();
    return found;
}

bool Win32Platform::ClaimSingleInstance() {
    // Per session: each signed-in user, and each fast-user-switching session,
    // has a saver of its own.
    KernelHandle mutex(::CreateMutexW(nullptr, FALSE, L"Local\\Lumora.SaverOrSettings"));
    const bool first = mutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
    if (first) instance_ = std::move(mutex); // held until the process ends
    return first;
}

bool Win32Platform::CanOpenForReading(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.empty()) return false;
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    const FileHandle file(::CreateFileW(wide.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Devices such as CON or a COM port open too, but are no music file.
    return file && ::GetFileType(file.Get()) == FILE_TYPE_DISK;
}

std::string Win32Platform::CommandLine() {
    const wchar_t* line = ::GetCommandLineW();
    return line == nullptr ? "" : Narrow(line);
}

namespace {

std::wstring ModulePath() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return L"";
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

} // namespace

std::vector<std::string> Win32Platform::ProgramPaths() {
    const std::wstring path = ModulePath();
    if (path.empty()) return {};
    std::vector<std::string> paths = {Narrow(path)};
    const DWORD length = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length > 0) {
        std::wstring shortPath(length, L'\0');
        const DWORD written = ::GetShortPathNameW(path.c_str(), shortPath.data(), length);
        if (written > 0 && written < length) {
            shortPath.resize(written);
            if (shortPath != path) paths.push_back(Narrow(shortPath));
        }
    }
    return paths;
}

std::string Win32Platform::ProgramFolder() {
    const std::wstring name = ModulePath();
    if (name.empty()) return "";
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

namespace {

// The name the sound player is given. Its file layer takes the name through
// the ANSI code page and the old path length on some systems (Wine's does): a
// name it cannot carry whole goes by the file's short name, which it can.
std::wstring PlayableName(const std::wstring& name) {
    BOOL lost = FALSE;
    const int bytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (!lost && bytes > 0 && bytes <= MAX_PATH) return name;
    const DWORD length = ::GetShortPathNameW(name.c_str(), nullptr, 0);
    if (length == 0) return name;
    std::wstring shortName(length, L'\0');
    const DWORD written = ::GetShortPathNameW(name.c_str(), shortName.data(), length);
    if (written == 0 || written >= length) return name;
    shortName.resize(written);
    return shortName;
}

} // namespace

bool Win32Platform::Play(const std::string& file, const platform::SoundRequest& request) {
    using PlaySoundW = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    auto play = Multimedia<PlaySoundW>("PlaySoundW");
    if (play == nullptr) return false;
    DWORD flags = SND_FILENAME | SND_ASYNC;
    if (request.loop) flags |= SND_LOOP;
    if (request.silentIfUnplayable) flags |= SND_NODEFAULT;
    return play(PlayableName(Widen(file)).c_str(), nullptr, flags) != FALSE;
}

void Win32Platform::Stop() {
    using PlaySoundW = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    if (auto play = Multimedia<PlaySoundW>("PlaySoundW")) play(nullptr, nullptr, 0);
}

} // namespace lumora::win32
