// Twips (1/1440 inch), the unit the saver's layout rules have always been
// written in: each rule rounds where the twips made it round, so the Win32
// side keeps them to place and size its windows exactly as always. Nothing
// here needs <windows.h>; the native unit tests check the rounding.
#pragma once

#include <cmath>

namespace lumora::win32 {

// The screen's twips per pixel, 15 on a usual 96-dpi display.
struct TwipsPerPixel {
    float x = 15;
    float y = 15;
};

// Twips to whole pixels at the given scale; no scale, no pixels.
inline int TwipsToPixels(double twips, float twipsPerPixel) {
    if (twipsPerPixel == 0.0f) return 0;
    return static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
}

// A length of the screen measured in twips and stepped back in whole twips per
// pixel: at a scale whose twips per pixel are not whole (150 %: 9.6), the
// shower's field comes out a little smaller than its monitor, as it always has.
// A scale that rounds to no twips at all keeps the pixels.
inline int PixelsThroughTwips(int pixels, float twipsPerPixel) {
    const int perPixel = static_cast<int>(std::nearbyint(static_cast<double>(twipsPerPixel)));
    return perPixel == 0 ? pixels
                         : static_cast<int>(std::nearbyint(pixels * static_cast<double>(twipsPerPixel))) / perPixel;
}

} // namespace lumora::win32
