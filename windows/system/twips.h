// Twips (1/1440 inch), the unit the saver's layout rules have always been
// written in: each rule rounds where the twips made it round, so the Win32
// side keeps them to place and size its windows exactly as always. Nothing
// here needs <windows.h>; the native unit tests check the rounding.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/geometry.h"

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

// The preview's size in a pane: the pane's size in twips (halves to even),
// and the picture's size in pixels, taken back from those twips.
struct PreviewLayout {
    std::int32_t widthTwips = 0;
    std::int32_t heightTwips = 0;
    float pictureWidth = 0;
    float pictureHeight = 0;
};

// A length of pixels in twips, kept in 32 bits (a pane wider than 2184 pixels
// would overflow 16) and saturated there: a rectangle from a failing or hostile
// window can span more than 32.
inline std::int32_t PixelsToTwips(std::int64_t pixels, float twipsPerPixel) {
    const double twips = std::nearbyint(static_cast<double>(pixels) * static_cast<double>(twipsPerPixel));
    if (twips > 2147483647.0) return 2147483647;
    if (twips < -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(twips);
}

inline PreviewLayout LayOutPreview(const Rect& pane, float twipsPerPixelX, float twipsPerPixelY) {
    PreviewLayout size;
    size.widthTwips = PixelsToTwips(std::int64_t{pane.right} - pane.left, twipsPerPixelX);
    size.heightTwips = PixelsToTwips(std::int64_t{pane.bottom} - pane.top, twipsPerPixelY);
    if (twipsPerPixelX != 0.0f)
        size.pictureWidth = static_cast<float>(static_cast<double>(size.widthTwips) / static_cast<double>(twipsPerPixelX));
    if (twipsPerPixelY != 0.0f)
        size.pictureHeight = static_cast<float>(static_cast<double>(size.heightTwips) / static_cast<double>(twipsPerPixelY));
    return size;
}

// Where the settings dialog goes, in twips: centred across, a third of the
// free height down; negative when the screen is smaller than the window. The
// difference is rounded first, then divided with the quotient cut toward zero.
inline void PlaceDialog(double screenWidth, double screenHeight, double outerWidth, double outerHeight,
                        std::int32_t& left, std::int32_t& top) {
    left = static_cast<std::int32_t>(std::nearbyint(screenWidth - outerWidth)) / 2;
    top = static_cast<std::int32_t>(std::nearbyint(screenHeight - outerHeight)) / 3;
}

} // namespace lumora::win32
