// A display server's pixel layout, read from its visual's masks, and the
// shower's 0x00RRGGBB pixels put into it: 15- and 16-bit screens, 24-bit
// ones in 32-bit words, 30-bit ones with ten bits a colour.
//
// No X header here: the unit tests build it natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "display/shower.h"
#include "platform/geometry.h"

namespace lumora::linux_desktop {

struct PixelLayout {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    int bytesPerPixel = 4;
    bool mostSignificantFirst = false; // the bytes of a pixel, in memory
};

class PixelConverter {
public:
    explicit PixelConverter(const PixelLayout& layout);

    // The shower's own layout: its pixels serve as they are.
    bool Native() const { return native_; }
    std::uint32_t Convert(std::uint32_t pixel) const {
        return red_[(pixel >> 16) & 0xffu] | green_[(pixel >> 8) & 0xffu] | blue_[pixel & 0xffu];
    }
    // Puts a box of `from` (clipped to it) into an image of the layout whose
    // rows are `stride` bytes apart.
    void ConvertBox(const PixelView& from, const Rect& box, std::uint8_t* into, std::ptrdiff_t stride) const;

private:
    PixelLayout layout_;
    bool native_;
    // Each colour's 256 values, already scaled and shifted into its mask.
    std::array<std::uint32_t, 256> red_{}, green_{}, blue_{};
};

} // namespace lumora::linux_desktop
