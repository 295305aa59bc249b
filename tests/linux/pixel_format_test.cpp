#include "linux/pixel_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora::linux_desktop {
namespace {

// White stays white and each colour stays in its own bits, at every depth a
// TrueColor screen has; the bytes land in the image's order.
TEST(PixelConverterTest, PutsTheShowersColoursIntoEveryTrueColorLayout) {
    struct Case {
        const char* name;
        PixelLayout layout;
        std::uint32_t white, red, green, blue, grey; // grey: 0x808080
        std::vector<std::uint8_t> redBytes;
    };
    const Case cases[] = {
        {"15 bits", {0x7c00, 0x3e0, 0x1f, 2, false}, 0x7fff, 0x7c00, 0x3e0, 0x1f, 0x4210, {0x00, 0x7c}},
        {"16 bits", {0xf800, 0x7e0, 0x1f, 2, false}, 0xffff, 0xf800, 0x7e0, 0x1f, 0x8410, {0x00, 0xf8}},
        {"16 bits, most significant byte first", {0xf800, 0x7e0, 0x1f, 2, true}, 0xffff, 0xf800, 0x7e0, 0x1f,
         0x8410, {0xf8, 0x00}},
        {"24 bits", {0xff0000, 0xff00, 0xff, 4, false}, 0xffffff, 0xff0000, 0xff00, 0xff, 0x808080,
         {0x00, 0x00, 0xff, 0x00}},
        {"30 bits", {0x3ff00000, 0xffc00, 0x3ff, 4, false}, 0x3fffffff, 0x3ff00000, 0xffc00, 0x3ff, 0x20280a02,
         {0x00, 0x00, 0xf0, 0x3f}},
    };
    for (const Case& c : cases) {
        const PixelConverter converter(c.layout);
        EXPECT_EQ(converter.Native(), c.layout.red == 0xff0000 && c.layout.bytesPerPixel == 4) << c.name;
        EXPECT_EQ(converter.Convert(0xffffff), c.white) << c.name;
        EXPECT_EQ(converter.Convert(0xff0000), c.red) << c.name;
        EXPECT_EQ(converter.Convert(0x00ff00), c.green) << c.name;
        EXPECT_EQ(converter.Convert(0x0000ff), c.blue) << c.name;
        EXPECT_EQ(converter.Convert(0x808080), c.grey) << c.name;
        EXPECT_EQ(converter.Convert(0), 0u) << c.name;

        // A red pixel in a 3x2 box of a 4x3 picture lands at its place; the rest stays as it was.
        std::vector<std::uint32_t> picture(4 * 3, 0);
        picture[1 * 4 + 2] = 0xff0000;
        const int bytes = c.layout.bytesPerPixel;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(4 * 3 * bytes), 0xaa);
        converter.ConvertBox(PixelView{picture.data(), 4, 3, 4}, Rect{1, 1, 4, 3}, image.data(), 4 * bytes);
        const auto at = [&](int x, int y) { return image.begin() + (y * 4 + x) * bytes; };
        EXPECT_EQ(std::vector<std::uint8_t>(at(2, 1), at(2, 1) + bytes), c.redBytes) << c.name;
        EXPECT_EQ(*at(1, 1), 0) << c.name;   // black inside the box
        EXPECT_EQ(*at(0, 1), 0xaa) << c.name; // outside it: untouched
        EXPECT_EQ(*at(1, 0), 0xaa) << c.name;
    }
}

} // namespace
} // namespace lumora::linux_desktop
