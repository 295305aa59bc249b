#include "platform/win32/picture_win32.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <utility>

namespace lumora::win32 {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct ComPtr {
    Interface* p = nullptr;
    ~ComPtr() {
        if (p != nullptr) p->Release();
    }
};

int HimetricToPixels(OLE_XSIZE_HIMETRIC himetric, int dpi) {
    return ::MulDiv(static_cast<int>(himetric), dpi, 2540);
}

} // namespace

Picture::~Picture() { Release(); }

Picture::Picture(Picture&& other) noexcept { *this = std::move(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Release();
        std::swap(dc_, other.dc_);
        std::swap(bitmap_, other.bitmap_);
        std::swap(original_, other.original_);
        std::swap(width_, other.width_);
        std::swap(height_, other.height_);
    }
    return *this;
}

void Picture::Release() {
    if (dc_ != nullptr) {
        ::SelectObject(dc_, original_);
        ::DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    original_ = nullptr;
    width_ = height_ = 0;
}

Picture Picture::FromResource(int id) {
    Picture picture;
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (found == nullptr) return picture;
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : ::LockResource(loaded);
    if (bytes == nullptr || size == 0) return picture;

    // The decoder reads from a stream over a movable copy of the bytes.
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (copy == nullptr) return picture;
    void* target = ::GlobalLock(copy);
    if (target == nullptr) {
        ::GlobalFree(copy);
        return picture;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(copy);
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &stream.p))) {
        ::GlobalFree(copy);
        return picture;
    }
    ComPtr<IPicture> decoded;
    if (FAILED(::OleLoadPicture(stream.p, static_cast<LONG>(size), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&decoded.p))))
        return picture;

    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    decoded.p->get_Width(&himetricWidth);
    decoded.p->get_Height(&himetricHeight);
    HDC screen = ::GetDC(nullptr);
    const int width = HimetricToPixels(himetricWidth, ::GetDeviceCaps(screen, LOGPIXELSX));
    const int height = HimetricToPixels(himetricHeight, ::GetDeviceCaps(screen, LOGPIXELSY));
    picture.dc_ = ::CreateCompatibleDC(screen);
    picture.bitmap_ = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    if (picture.dc_ == nullptr || picture.bitmap_ == nullptr || width <= 0 || height <= 0) {
        picture.Release();
        return picture;
    }
    picture.original_ = ::SelectObject(picture.dc_, picture.bitmap_);
    picture.width_ = width;
    picture.height_ = height;
    // Pictures render bottom-up in HIMETRIC: start at the top and go down.
    decoded.p->Render(picture.dc_, 0, 0, width, height, 0, himetricHeight, himetricWidth,
                      -himetricHeight, nullptr);
    return picture;
}

} // namespace lumora::win32
