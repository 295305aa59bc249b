// Baseline JPEG (JFIF) through libjpeg-turbo: 8-bit samples, the usual
// Huffman tables, no chroma subsampling, because the pictures are small and a
// colour that spans one pixel must stay that colour.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace lumora::pictures {

// quality 1..100 scales the usual quantisation tables (libjpeg brings other
// numbers into that range). Throws std::runtime_error with libjpeg's message
// when it refuses the picture, such as one of no pixels.
std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality);

} // namespace lumora::pictures
