// Owners for Win32 handles: each handle has exactly one owner, which gives it
// back to Windows when it goes. Move-only, like the handles themselves.
#pragma once

#include <windows.h>

#include <utility>

namespace lumora::win32 {

template <typename Handle, typename Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (handle_ != nullptr) Release{}(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct DestroyCursorHandle {
    void operator()(HCURSOR cursor) const { ::DestroyCursor(cursor); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { ::DeleteDC(dc); }
};
struct CloseKernelHandle {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct DestroyWindowHandle {
    void operator()(HWND window) const { ::DestroyWindow(window); }
};

using Font = Owned<HFONT, DeleteGdiObject>;
using Brush = Owned<HBRUSH, DeleteGdiObject>;
using Bitmap = Owned<HBITMAP, DeleteGdiObject>;
using Icon = Owned<HICON, DestroyIconHandle>;
using Cursor = Owned<HCURSOR, DestroyCursorHandle>;
using MemoryDc = Owned<HDC, DeleteMemoryDc>;
using KernelHandle = Owned<HANDLE, CloseKernelHandle>;

// A window's device context for as long as the object lives.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for as long as this lives; the one it replaced
// goes back afterwards.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~Selected() {
        if (previous_ != nullptr) ::SelectObject(dc_, previous_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace lumora::win32
