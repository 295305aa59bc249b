// A drawing surface in plain memory with a guard band around it, so that a
// write outside the surface is seen.
#pragma once

#include <cstdint>
#include <vector>

#include "display/shower.h"

namespace lumora::fake {

class MemorySurface {
public:
    static constexpr int kGuard = 16;
    static constexpr std::uint32_t kGuardValue = 0xDEADBEEF;

    // A black surface of this size; a size of nothing has no pixels.
    PixelView Resize(int width, int height) {
        width_ = width > 0 && height > 0 ? width : 0;
        height_ = width_ > 0 ? height : 0;
        if (width_ == 0) {
            buffer_.clear();
            return {};
        }
        const std::size_t stride = static_cast<std::size_t>(width_ + 2 * kGuard);
        buffer_.assign(stride * static_cast<std::size_t>(height_ + 2 * kGuard), kGuardValue);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = 0;
        return PixelView{&At(0, 0), width_, height_, width_ + 2 * kGuard};
    }

    std::uint32_t& At(int x, int y) {
        const int stride = width_ + 2 * kGuard;
        return buffer_[static_cast<std::size_t>((y + kGuard) * stride + x + kGuard)];
    }
    // Pixels that are not black inside this rectangle.
    int Lit(const Rect& area) {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) count += At(x, y) != 0;
        return count;
    }
    // Nothing outside the surface was written.
    bool GuardIntact() const {
        std::size_t inside = 0;
        for (std::uint32_t pixel : buffer_) inside += pixel != kGuardValue;
        return inside <= static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    }

private:
    std::vector<std::uint32_t> buffer_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace lumora::fake
