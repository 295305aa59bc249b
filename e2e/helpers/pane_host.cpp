// Plays the control panel for the preview tests: holds a pane window of the
// size given and reports what happens to it.
//
//   pane_host W H [--inproc] [--hidden] [--report-after MS] [--hide-after MS]
//                 [--destroy-after MS] [--exit-after MS]
//   pane_host --desktop
//
// Prints "hwnd=N" once the pane exists. --desktop prints "hwnd=N" for the
// desktop window instead, a handle a confused caller might pass as a pane. --inproc shows the preview in this
// process (Wine does not show another process's child windows on screen).
// --report-after prints each child window of the pane: its place and size in
// the pane, style, whether this process owns it, and its title (last). --destroy-after destroys the pane and
// prints "destroyed", as the control panel does when it closes. --hidden makes
// the pane without showing it; --hide-after hides it and prints "hidden", as the
// control panel does when another saver is picked.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>

#include "windows/system/com.h"
#include "windows/preview_window.h"

namespace {

// Thread timers get their numbers from the system.
UINT_PTR reportTimer = 0;
UINT_PTR destroyTimer = 0;
UINT_PTR hideTimer = 0;
HWND pane = nullptr;

BOOL CALLBACK ReportChild(HWND child, LPARAM) {
    if (::GetParent(child) != pane) return TRUE;
    wchar_t title[128] = L"";
    ::GetWindowTextW(child, title, 128);
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&r), 2);
    DWORD process = 0;
    ::GetWindowThreadProcessId(child, &process);
    char utf8[512] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("child x=%ld y=%ld w=%ld h=%ld style=%08lx own=%d visible=%d title=%s\n", r.left, r.top,
                r.right - r.left, r.bottom - r.top,
                static_cast<unsigned long>(::GetWindowLongW(child, GWL_STYLE)),
                process == ::GetCurrentProcessId() ? 1 : 0, ::IsWindowVisible(child) ? 1 : 0, utf8);
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (id == reportTimer) {
        ::EnumChildWindows(pane, ReportChild, 0);
        std::printf("reported\n");
    } else if (id == destroyTimer) {
        ::DestroyWindow(pane);
        std::printf("destroyed\n");
    } else if (id == hideTimer) {
        ::ShowWindow(pane, SW_HIDE);
        std::printf("hidden\n");
    } else {
        ::ExitProcess(0);
    }
    std::fflush(stdout);
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"--desktop") == 0) {
        std::printf("hwnd=%ld\n", static_cast<long>(reinterpret_cast<INT_PTR>(::GetDesktopWindow())));
        return 0;
    }
    if (argc < 3) return 2;
    const int width = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    const int height = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    bool inproc = false;
    bool hidden = false;
    for (int i = 3; i < argc; ++i) hidden = hidden || std::wcscmp(argv[i], L"--hidden") == 0;
    WNDCLASSW paneClass{};
    paneClass.lpfnWndProc = PaneProc;
    paneClass.hInstance = ::GetModuleHandleW(nullptr);
    paneClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    paneClass.lpszClassName = L"LumoraTestPane";
    ::RegisterClassW(&paneClass);
    pane = ::CreateWindowExW(0, L"LumoraTestPane", L"Pane Host", WS_POPUP | (hidden ? 0 : WS_VISIBLE), 40, 30, width,
                             height, nullptr, nullptr, paneClass.hInstance, nullptr);
    if (pane == nullptr) return 1;
    for (int i = 3; i < argc; ++i) {
        const wchar_t* option = argv[i];
        const UINT after = i + 1 < argc ? static_cast<UINT>(std::wcstol(argv[i + 1], nullptr, 10)) : 0;
        if (std::wcscmp(option, L"--inproc") == 0) inproc = true;
        if (std::wcscmp(option, L"--report-after") == 0) reportTimer = ::SetTimer(nullptr, 0, after, OnTimer);
        if (std::wcscmp(option, L"--hide-after") == 0) hideTimer = ::SetTimer(nullptr, 0, after, OnTimer);
        if (std::wcscmp(option, L"--destroy-after") == 0) destroyTimer = ::SetTimer(nullptr, 0, after, OnTimer);
        if (std::wcscmp(option, L"--exit-after") == 0) ::SetTimer(nullptr, 0, after, OnTimer);
    }
    RECT placed{};
    ::GetWindowRect(pane, &placed);
    std::printf("pane=%ld,%ld,%ld,%ld\nhwnd=%ld\n", placed.left, placed.top, placed.right, placed.bottom,
                static_cast<long>(reinterpret_cast<INT_PTR>(pane)));
    std::fflush(stdout);
    std::optional<lumora::win32::ComApartment> com; // the preview's picture decoder
    std::optional<lumora::win32::Imaging> imaging;
    std::unique_ptr<lumora::PreviewWindow> preview;
    if (inproc) {
        com.emplace();
        imaging.emplace();
        preview = lumora::OpenPreview(static_cast<lumora::platform::WindowHandle>(reinterpret_cast<INT_PTR>(pane)),
                                      *imaging);
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // The in-process preview ended its loop with the pane: stay until told to go.
    for (;;) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}
