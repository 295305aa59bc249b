// The small shared vocabulary of windows and pixels: a rectangle, where a
// window can still be grabbed, and the colour byte order of a bitmap.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumora {

// A rectangle in pixels, right and bottom exclusive, as Windows keeps them.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// A window whose caption strip is this rectangle can be taken with the mouse
// and moved: some monitor shows a stretch of the caption at least three caption
// heights long (all of it when shorter) and at least half its height.
inline bool CaptionReachable(const Rect& caption, const std::vector<Rect>& monitors) {
    const std::int64_t height = std::int64_t{caption.bottom} - caption.top;
    const std::int64_t width = std::int64_t{caption.right} - caption.left;
    if (height <= 0 || width <= 0) return false;
    const std::int64_t grip = std::min(width, 3 * height);
    for (const Rect& monitor : monitors) {
        const std::int64_t across = std::int64_t{std::min(caption.right, monitor.right)} - std::max(caption.left, monitor.left);
        const std::int64_t down = std::int64_t{std::min(caption.bottom, monitor.bottom)} - std::max(caption.top, monitor.top);
        if (across >= grip && 2 * down >= height) return true;
    }
    return false;
}

// A colour value as the program keeps it (red in the lowest byte) as a 32-bit
// bitmap stores it (blue in the lowest byte).
inline std::uint32_t ColorToPixel(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

// A colour value from its components, each capped at 255.
inline std::int32_t MakeColor(int red, int green, int blue) {
    auto cap = [](int component) { return component > 255 ? 255 : component; };
    return cap(red) + 256 * cap(green) + 65536 * cap(blue);
}

} // namespace lumora
