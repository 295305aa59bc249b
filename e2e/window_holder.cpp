// Holds top-level windows with the titles given on its command line until it is
// ended, so the tests can play a Lumora that is already running. Prints "ready"
// once every window exists.
//
//   window_holder --probe TITLE   prints where the window of that title is:
//                                 "window=L,T,R,B client=W,H origin=X,Y"
//   window_holder --close TITLE   sends it the system's close command
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && (std::wcscmp(argv[1], L"--probe") == 0 || std::wcscmp(argv[1], L"--close") == 0)) {
        HWND window = ::FindWindowW(nullptr, argv[2]);
        if (window == nullptr) return 1;
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
