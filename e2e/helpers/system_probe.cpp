// What the system tells a program, for the tests of the old Windows family.
//
//   system_probe version   "platform=P version=MAJOR.MINOR": GetVersionExA's
//                          answer, as Lumora.scr gets it
//   system_probe cursor    "showing=0|1 foreground=TITLE": whether the cursor of
//                          the foreground window's thread is shown, and that
//                          window's title
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"version") == 0) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof(info);
        if (!::GetVersionExA(&info)) return 1;
        std::printf("platform=%lu version=%lu.%lu\n", info.dwPlatformId, info.dwMajorVersion,
                    info.dwMinorVersion);
        return 0;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"cursor") == 0) {
        CURSORINFO cursor{};
        cursor.cbSize = sizeof(cursor);
        if (!::GetCursorInfo(&cursor)) return 1;
        char title[256] = "";
        if (HWND foreground = ::GetForegroundWindow()) ::GetWindowTextA(foreground, title, sizeof(title));
        std::printf("showing=%d foreground=%s\n", (cursor.flags & CURSOR_SHOWING) != 0 ? 1 : 0,
                    title[0] != '\0' ? title : "-");
        return 0;
    }
    return 2;
}
