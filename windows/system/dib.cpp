#include "windows/system/dib.h"

#include <algorithm>
#include <utility>

namespace lumora::win32 {

DibSection::DibSection(DibSection&& other) noexcept { *this = std::move(other); }

DibSection& DibSection::operator=(DibSection&& other) noexcept {
    if (this != &other) {
        Release();
        dc_ = std::move(other.dc_);
        bitmap_ = std::move(other.bitmap_);
        original_ = std::exchange(other.original_, nullptr);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

void DibSection::Release() {
    // The bitmap must leave its DC before either goes.
    if (dc_ && original_ != nullptr) ::SelectObject(dc_.Get(), original_);
    dc_.Reset();
    bitmap_.Reset();
    original_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool DibSection::Create(int width, int height) {
    Release();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // rows top-down, like window coordinates
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    // A new DIB section starts all zero: black.
    Bitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || bits == nullptr || !dc) return false;
    original_ = ::SelectObject(dc.Get(), bitmap.Get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void DibSection::Clear() {
    if (bits_ != nullptr) std::fill(bits_, bits_ + static_cast<std::ptrdiff_t>(width_) * height_, 0u);
}

void DibSection::Show(HDC target, const RECT& area) const {
    if (dc_)
        ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.Get(),
                 area.left, area.top, SRCCOPY);
}

} // namespace lumora::win32
