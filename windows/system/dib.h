// A 32-bit top-down DIB section with a memory DC of its own: pixels the program
// writes directly, and that GDI can copy from in one block.
#pragma once

#include <windows.h>

#include <cstdint>

#include "windows/system/handles.h"

namespace lumora::win32 {

class DibSection {
public:
    DibSection() = default;
    ~DibSection() { Release(); }
    DibSection(DibSection&& other) noexcept;
    DibSection& operator=(DibSection&& other) noexcept;
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

    // A new black bitmap of this size; false (and empty) when Windows has no
    // room for it or the size is not positive.
    bool Create(int width, int height);

    bool Empty() const { return bits_ == nullptr; }
    HDC Dc() const { return dc_.Get(); }
    std::uint32_t* Bits() const { return bits_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Clear();
    // Copies the area, in the bitmap's own coordinates, to the same place on the target.
    void Show(HDC target, const RECT& area) const;

private:
    void Release();

    MemoryDc dc_;
    Bitmap bitmap_;
    HGDIOBJ original_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace lumora::win32
