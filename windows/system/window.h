// Small pieces every window of the program needs.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/geometry.h"
#include "platform/platform.h"
#include "windows/system/handles.h"
#include "windows/system/library.h"
#include "windows/system/twips.h"

namespace lumora::win32 {

// A window handle as the command line carries it, and back. Handles cross
// between 32-bit and 64-bit processes as sign-extended 32-bit numbers.
inline HWND ToWindow(platform::WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
}
inline platform::WindowHandle FromWindow(HWND window) {
    return static_cast<platform::WindowHandle>(reinterpret_cast<INT_PTR>(window));
}

// The system's DPI across and down, as the screen's device context tells it; 0
// where it cannot.
inline POINT SystemDpi() {
    WindowDc screen(nullptr);
    return POINT{::GetDeviceCaps(screen.Get(), LOGPIXELSX), ::GetDeviceCaps(screen.Get(), LOGPIXELSY)};
}

inline TwipsPerPixel ScreenTwipsPerPixel() {
    TwipsPerPixel twips;
    const POINT dpi = SystemDpi();
    if (dpi.x > 0) twips.x = 1440.0f / static_cast<float>(dpi.x);
    if (dpi.y > 0) twips.y = 1440.0f / static_cast<float>(dpi.y);
    return twips;
}

// Every monitor's rectangle in desktop pixels, the primary one first.
inline BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(monitor, &info)) {
        auto& all = *reinterpret_cast<std::vector<Rect>*>(found);
        const Rect r{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0)
            all.insert(all.begin(), r);
        else
            all.push_back(r);
    }
    return TRUE;
}

// All monitors together, in desktop pixels (left and top may be negative).
inline Rect VirtualScreen() {
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return Rect{left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

inline std::vector<Rect> Monitors() {
    std::vector<Rect> all;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&all));
    return all;
}

// Every window of the process lays itself out for the DPI of the monitor it
// stands on and draws in physical pixels. The manifest says so; this says it
// where the manifest is not read (and on Windows before 10, in the older words).
inline void DeclarePerMonitorDpiAwareness() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAware = BOOL(WINAPI*)();
    HMODULE user = ::GetModuleHandleW(L"user32.dll");
    // GetProcAddress returns a generic function pointer; the real types are named here.
    if (auto set = reinterpret_cast<SetContext>(
            reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDpiAwarenessContext")))) {
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; refused when the manifest set it already.
        if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
        if (::GetLastError() == ERROR_ACCESS_DENIED) return;
    }
    if (auto aware = reinterpret_cast<SetAware>(reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDPIAware"))))
        aware();
}

// The effective DPI of the monitor nearest the window, from Windows 8.1's
// per-monitor function; 0 where the system has none.
inline int MonitorDpi(HWND window) {
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI
    static const auto getDpi = LoadFunction<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
    HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    UINT x = 0;
    UINT y = 0;
    if (getDpi == nullptr || monitor == nullptr || FAILED(getDpi(monitor, kEffectiveDpi, &x, &y))) return 0;
    return static_cast<int>(y);
}

// The DPI of the monitor the window stands on; the system's where the system
// cannot tell per monitor (before Windows 8.1).
inline int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi != nullptr && window != nullptr)
        if (const UINT dpi = getDpi(window); dpi > 0) return static_cast<int>(dpi);
    // Windows 8.1 and 10 before 1607 give the process per-monitor awareness
    // (the manifest asks for it) without GetDpiForWindow: the system's DPI
    // there would refuse every real change.
    if (window != nullptr)
        if (const int dpi = MonitorDpi(window); dpi > 0) return dpi;
    const int dpi = SystemDpi().y;
    return dpi > 0 ? dpi : 96;
}

// What a window class of the program may set beyond its name and procedure.
struct WindowClassOptions {
    UINT style = 0;
    HBRUSH background = nullptr; // nullptr: the window paints all of itself
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

// Registers a class of this module with the arrow pointer. Registering a name
// twice is harmless: the first registration stands.
inline void RegisterWindowClass(const wchar_t* name, WNDPROC procedure,
                                const WindowClassOptions& options = {}) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = options.style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = options.background;
    windowClass.hIcon = options.icon;
    windowClass.hIconSm = options.smallIcon;
    windowClass.lpszClassName = name;
    ::RegisterClassExW(&windowClass);
}

// The object that owns a window: handed to CreateWindowEx as its creation
// parameter, kept in the window's user data from WM_NCCREATE on.
template <typename Owner>
Owner* WindowOwner(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The procedure of every window of the program: it finds the object that owns
// the window and hands it the message. Until the owner is known (the first
// messages of a creation) and once it has let go, Windows' own handling answers.
template <typename Owner, LRESULT (Owner::*Handle)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK OwnedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Owner* owner = WindowOwner<Owner>(window, message, lParam);
    return owner != nullptr ? (owner->*Handle)(window, message, wParam, lParam)
                            : ::DefWindowProcW(window, message, wParam, lParam);
}

// A window of a class of this module, owned by `owner` (see WindowOwner),
// placed later; `id` is a child's control id.
inline HWND CreateOwnedWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                              HWND parent, void* owner, int id = 0) {
    return ::CreateWindowExW(exStyle, className, text, style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), owner);
}

// The place Windows proposes with WM_DPICHANGED. Any program may post or send
// that message number with a junk address in it, so the rectangle is copied
// with ReadProcessMemory, which fails on an address that is not readable
// instead of faulting, and is taken only when the DPI is the one the window
// has now. Whether the place leaves the window within reach is for the window
// to judge, with the size it will take there.
inline bool ProposedPlaceForDpi(HWND window, WPARAM wParam, LPARAM lParam, RECT& place) {
    if (static_cast<int>(HIWORD(wParam)) != WindowDpi(window)) return false;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &place,
                             sizeof place, &read) || read != sizeof place)
        return false;
    return place.right > place.left && place.bottom > place.top;
}

// Detaches a window from its owner and destroys it: the procedure sees no
// owner while the window goes.
inline void DestroyOwnedWindow(HWND& window) {
    if (window == nullptr) return;
    HWND going = window;
    window = nullptr;
    ::SetWindowLongPtrW(going, GWLP_USERDATA, 0);
    ::DestroyWindow(going);
}

} // namespace lumora::win32
