// A password.cpl for the tests of the old Windows family, which the tests put
// into the prefix's system folder: it answers VerifyScreenSavePwd as the
// environment tells it and writes down every call.
//
//   LUMORA_PASSWORD_LOG      file that gets one line per call:
//                            "call=N owner=TITLE showing=0|1 count=C answer=0|1"
//                            (showing: GetCursorInfo's CURSOR_SHOWING flag;
//                            count: the calling thread's cursor display count)
//   LUMORA_PASSWORD_ANSWERS  one character per call, '0' refuses and '1'
//                            accepts; calls past its end accept. Default "01".
//
// The lines already in the log count the calls, so the count survives the
// program loading the DLL afresh.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024] = L"";
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

int CallsSoFar(const std::wstring& log) {
    HANDLE file = ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int lines = 0;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        for (DWORD i = 0; i < read; ++i) lines += buffer[i] == '\n';
    ::CloseHandle(file);
    return lines;
}

void Append(const std::wstring& log, const std::string& line) {
    HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
    const std::wstring log = Environment(L"LUMORA_PASSWORD_LOG");
    std::wstring answers = Environment(L"LUMORA_PASSWORD_ANSWERS");
    if (answers.empty()) answers = L"01";
    const int call = CallsSoFar(log) + 1;
    const bool accept = static_cast<std::size_t>(call) > answers.size() ||
                        answers[static_cast<std::size_t>(call - 1)] != L'0';

    CURSORINFO cursor{};
    cursor.cbSize = sizeof(cursor);
    const bool showing = ::GetCursorInfo(&cursor) && (cursor.flags & CURSOR_SHOWING) != 0;
    // Hiding returns the count it leaves; showing again puts it back.
    const int count = ::ShowCursor(FALSE) + 1;
    ::ShowCursor(TRUE);

    char title[256] = "";
    if (owner != nullptr) ::GetWindowTextA(owner, title, sizeof(title));
    char line[512];
    std::snprintf(line, sizeof(line), "call=%d owner=%s showing=%d count=%d answer=%d\n", call,
                  title[0] != '\0' ? title : "-", showing ? 1 : 0, count, accept ? 1 : 0);
    if (!log.empty()) Append(log, line);
    return accept ? TRUE : FALSE;
}
