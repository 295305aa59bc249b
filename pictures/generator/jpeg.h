// A baseline JPEG (JFIF) writer: 8-bit samples, the usual Huffman tables,
// no chroma subsampling, because the pictures are small and a colour that
// spans one pixel must stay that colour.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace lumora::pictures {

// quality 1..100 scales the usual quantisation tables as libjpeg does, so the
// numbers mean what people who know JPEG expect.
std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality);

} // namespace lumora::pictures
