#include "linux/pixel_format.h"

#include <algorithm>

namespace lumora::linux_desktop {
namespace {

// A colour's 0-255 spread over the mask's bits, full scale to full scale.
std::array<std::uint32_t, 256> Channel(std::uint32_t mask) {
    std::array<std::uint32_t, 256> values{};
    if (mask == 0) return values;
    const int shift = __builtin_ctz(mask);
    const std::uint32_t top = mask >> shift;
    for (std::uint32_t c = 0; c < 256; ++c) values[c] = ((c * top + 127) / 255) << shift & mask;
    return values;
}

} // namespace

PixelConverter::PixelConverter(const PixelLayout& layout)
    : layout_(layout),
      native_(layout.red == 0xff0000u && layout.green == 0xff00u && layout.blue == 0xffu &&
              layout.bytesPerPixel == 4 && !layout.mostSignificantFirst),
      red_(Channel(layout.red)), green_(Channel(layout.green)), blue_(Channel(layout.blue)) {}

void PixelConverter::ConvertBox(const PixelView& from, const Rect& box, std::uint8_t* into,
                                std::ptrdiff_t stride) const {
    const int left = std::max(box.left, 0);
    const int right = std::min(box.right, from.width);
    const int bytes = layout_.bytesPerPixel;
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, from.height); ++y) {
        const std::uint32_t* row = from.bits + static_cast<std::ptrdiff_t>(y) * from.stride;
        std::uint8_t* out = into + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(left) * bytes;
        for (int x = left; x < right; ++x, out += bytes) {
            const std::uint32_t pixel = Convert(row[x]);
            for (int b = 0; b < bytes; ++b) {
                const int shift = 8 * (layout_.mostSignificantFirst ? bytes - 1 - b : b);
                out[b] = static_cast<std::uint8_t>(pixel >> shift);
            }
        }
    }
}

} // namespace lumora::linux_desktop
