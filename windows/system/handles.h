// Owners for Win32 handles: each handle has exactly one owner, which gives it
// back to Windows when it goes. Move-only, like the handles themselves.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace lumora::win32 {

// What a kind of handle holds when it holds nothing: null for most, but
// INVALID_HANDLE_VALUE for an open file.
struct NullHandle {
    static std::nullptr_t Value() { return nullptr; }
};
struct InvalidHandle {
    static HANDLE Value() { return INVALID_HANDLE_VALUE; }
};

template <typename Handle, typename Release, typename Empty = NullHandle>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Empty::Value())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Empty::Value()));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty::Value(); }
    void Reset(Handle handle = Empty::Value()) {
        if (handle_ != Empty::Value()) Release{}(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Empty::Value();
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
// An open file: CreateFile says "none" with INVALID_HANDLE_VALUE, not null.
using FileHandle = Owned<HANDLE, CloseKernelHandle, InvalidHandle>;

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

// A window's painting, from BeginPaint to EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return dc_; }
    // What needs painting.
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
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
