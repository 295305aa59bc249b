// Small pieces every form's window code needs.
#pragma once

#include <windows.h>

namespace lumora::win32 {

// The screen's twips per pixel, 15 on a usual 96-dpi display.
struct TwipsPerPixel {
    float x = 15;
    float y = 15;
};

inline TwipsPerPixel ScreenTwipsPerPixel() {
    TwipsPerPixel twips;
    HDC screen = ::GetDC(nullptr);
    const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (dpiX > 0) twips.x = 1440.0f / static_cast<float>(dpiX);
    if (dpiY > 0) twips.y = 1440.0f / static_cast<float>(dpiY);
    return twips;
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

} // namespace lumora::win32
