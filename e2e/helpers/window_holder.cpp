// Holds top-level windows with the titles given on its command line until it is
// ended, so the tests can play a Lumora that is already running. Prints "ready"
// once every window exists.
//
//   window_holder --probe TITLE   prints where the window of that title is:
//                                 "window=L,T,R,B client=W,H origin=X,Y"
//   window_holder --close TITLE   sends it the system's close command
//   window_holder --type TITLE TEXT  puts TEXT into the first edit box of that
//                                 window, as if typed (xdotool loses the order of
//                                 long runs of characters outside the keyboard's)
//   window_holder --texts TITLE   prints "owner=TITLE" (the owner window's title) and
//                                 "text=TEXT" for each child window, as UTF-8, a line
//                                 break inside a text written as "␤" (a backslash
//                                 escape would be ambiguous in Windows paths)
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void PrintLine(const char* label, const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') escaped += L'\u2424'; else escaped += c;
    }
    std::string utf8(escaped.size() * 3 + 1, '\0');
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, escaped.c_str(), static_cast<int>(escaped.size()),
                                            utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    std::printf("%s=%s\n", label, utf8.c_str());
}

// Asked of the window itself: an edit box of another process keeps what was
// typed to itself, where GetWindowText does not look.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          2000, &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM param) {
    wchar_t name[16] = L"";
    ::GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    PrintLine("text", TextOf(child));
    return TRUE;
}

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && (std::wcscmp(argv[1], L"--probe") == 0 || std::wcscmp(argv[1], L"--close") == 0 ||
                      std::wcscmp(argv[1], L"--texts") == 0)) {
        HWND window = ::FindWindowW(nullptr, argv[2]);
        if (window == nullptr) return 1;
        if (std::wcscmp(argv[1], L"--texts") == 0) {
            HWND owner = ::GetWindow(window, GW_OWNER);
            PrintLine("owner", owner != nullptr ? TextOf(owner) : L"");
            ::EnumChildWindows(window, PrintChild, 0);
            return 0;
        }
        if (std::wcscmp(argv[1], L"--close") == 0) {
            ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        }
        RECT outer{};
        RECT client{};
        POINT origin{0, 0};
        ::GetWindowRect(window, &outer);
        ::GetClientRect(window, &client);
        ::ClientToScreen(window, &origin);
        std::printf("window=%ld,%ld,%ld,%ld client=%ld,%ld origin=%ld,%ld\n", outer.left, outer.top,
                    outer.right, outer.bottom, client.right, client.bottom, origin.x, origin.y);
        return 0;
    }
    if (argc == 4 && std::wcscmp(argv[1], L"--type") == 0) {
        HWND window = ::FindWindowW(nullptr, argv[2]);
        HWND edit = nullptr;
        if (window != nullptr) ::EnumChildWindows(window, FindEdit, reinterpret_cast<LPARAM>(&edit));
        if (edit == nullptr) return 1;
        DWORD_PTR done = 0;
        return ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG,
                                     5000, &done) != 0 && done != 0 ? 0 : 1;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HolderProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LumoraTestHolder";
    ::RegisterClassW(&windowClass);
    for (int i = 1; i < argc; ++i) {
        HWND window = ::CreateWindowExW(0, L"LumoraTestHolder", argv[i], WS_OVERLAPPEDWINDOW,
                                        20 * i, 20 * i, 200, 100, nullptr, nullptr,
                                        windowClass.hInstance, nullptr);
        if (window == nullptr) return 1;
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    return 0;
}
