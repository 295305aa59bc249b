// Prints where everything of the top-level window with the given title stands,
// as any other program sees it: "dpi N", then a line per child window (class#id)
// and per drawn part its accessible objects tell of (the part's name), with its
// place in the window's client area; tab-separated UTF-8.
//   layout_probe.exe TITLE
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

// IAccessible's identifier, named here as accessible_walk.cpp does.
constexpr IID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
HWND top;

void Place(const std::wstring& name, RECT r) { // r on the screen
    char utf8[512] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
    ::MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    std::printf("%s\t%ld\t%ld\t%ld\t%ld\n", utf8, r.left, r.top, r.right, r.bottom);
}

BOOL CALLBACK Child(HWND window, LPARAM) {
    wchar_t name[64] = L"";
    ::GetClassNameW(window, name, 64);
    RECT r{};
    ::GetWindowRect(window, &r);
    Place(std::wstring(name) + L"#" + std::to_wstring(::GetDlgCtrlID(window)), r);
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIAccessible,
                                            reinterpret_cast<void**>(&object))))
        return TRUE;
    // Its simple children are the parts it draws; the child windows come on their own.
    VARIANT children[32];
    long count = 0;
    if (FAILED(::AccessibleChildren(object, 0, 32, children, &count))) count = 0;
    for (long i = 0; i < count; ++i) {
        VARIANT& child = children[i];
        long left = 0, up = 0, width = 0, height = 0;
        BSTR text = nullptr;
        if (child.vt == VT_I4 && object->accLocation(&left, &up, &width, &height, child) == S_OK &&
            object->get_accName(child, &text) == S_OK && text != nullptr)
            Place(text, RECT{left, up, left + width, up + height});
        ::SysFreeString(text);
        ::VariantClear(&child);
    }
    object->Release();
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetProcessDPIAware(); // the places as they are on the screen, not scaled to 96 DPI for an old program
    if (argc != 2 || (top = ::FindWindowW(nullptr, argv[1])) == nullptr) {
        std::puts("no such window");
        return 1;
    }
    // GetDpiForWindow is Windows 10's; before it, every window has the system's DPI.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const auto dpiOf = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const HDC screen = ::GetDC(nullptr);
    std::printf("dpi\t%d\n", dpiOf != nullptr ? static_cast<int>(dpiOf(top)) : ::GetDeviceCaps(screen, LOGPIXELSX));
    ::ReleaseDC(nullptr, screen);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::EnumChildWindows(top, Child, 0);
    ::CoUninitialize();
    return 0;
}
