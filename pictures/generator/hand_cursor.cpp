// The link cursor. At 32 x 32 and two colours a drawn curve only blurs, so the
// hand is laid out pixel by pixel: '#' black outline, 'o' white, '.' the
// screen showing through.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "pictures.h"

namespace lumora::pictures {
namespace {

// The hot spot (12, 10) is the middle of the fingertip's top edge, so a click
// lands where the finger visibly points.
constexpr std::array<std::string_view, 32> kHand = {
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "...........###..................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo#.................",
    "..........#ooo####..............",
    "..........#ooo#ooo###...........",
    "..........#ooo#ooo#oo###........",
    ".....###..#ooo#ooo#oo#oo#.......",
    "....#ooo#.#ooo#ooo#oo#oo#.......",
    "....#oooo##ooooooooooooo#.......",
    ".....#oooo#ooooooooooooo#.......",
    "......#oooooooooooooooooo#......",
    ".......#ooooooooooooooooo#......",
    "........#oooooooooooooooo#......",
    "........#ooooooooooooooo#.......",
    ".........#oooooooooooooo#.......",
    ".........#ooooooooooooo#........",
    "..........#oooooooooooo#........",
    "..........##############........",
    "................................",
};

} // namespace

IndexedImage DrawHandCursor() {
    IndexedImage image;
    image.width = 32;
    image.height = 32;
    image.bitsPerPixel = 1;
    image.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
    for (std::string_view row : kHand) {
        if (row.size() != 32) throw std::logic_error("a row of the hand is not 32 pixels");
        for (std::size_t x = 0; x < 32; ++x) {
            const char c = row[x];
            if (c != '.' && c != '#' && c != 'o') throw std::logic_error("stray character in the hand");
            image.indices.push_back(c == 'o' ? 1 : 0);
            image.transparent.push_back(c == '.' ? 1 : 0);
        }
    }
    if (kHand[kHandHotspotY][kHandHotspotX] != '#')
        throw std::logic_error("the hot spot must sit on the fingertip");
    return image;
}

} // namespace lumora::pictures
