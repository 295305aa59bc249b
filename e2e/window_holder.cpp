// Holds top-level windows with the titles given on its command line until it is
// ended, so the tests can play a Lumora that is already running. Prints "ready"
// once every window exists.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
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
