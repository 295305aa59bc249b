// The small shared vocabulary of windows and pixels: a rectangle, the colour
// byte order of a bitmap, and twips.
#pragma once

#include <cmath>
#include <cstdint>

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

// Twips (1/1440 inch) to whole pixels at the given scale; no scale, no pixels.
inline int TwipsToPixels(double twips, float twipsPerPixel) {
    if (twipsPerPixel == 0.0f) return 0;
    return static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
}

} // namespace lumora
