// Windows icon (.ico) and cursor (.cur) files: each image is a DIB with a
// doubled height, its colour (XOR) bitmap followed by a 1-bit AND mask, as
// every Windows since 3.0 reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace lumora::pictures {

struct IndexedImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 8; // 1 or 8; the palette is padded to 2^bitsPerPixel
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indices;   // row-major, top row first
    std::vector<std::uint8_t> transparent; // 1 where the screen shows through
};

// Reduces a drawing with coverage to at most 256 colours (median cut) and a
// 1-bit mask: a pixel is shown when the drawing covers at least half of it.
// Palette entry 0 is black, which transparent pixels point at so the XOR
// bitmap leaves the screen untouched under them.
IndexedImage Palettize(const std::vector<Sample>& samples, int width, int height);

std::vector<std::uint8_t> EncodeIcon(const std::vector<IndexedImage>& images);
std::vector<std::uint8_t> EncodeCursor(const IndexedImage& image, int hotspotX, int hotspotY);

} // namespace lumora::pictures
