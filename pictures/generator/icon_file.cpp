#include "icon_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <tuple>

namespace lumora::pictures {
namespace {

int Channel(Rgb c, int which) { return which == 0 ? c.r : (which == 1 ? c.g : c.b); }

bool Less(Rgb a, Rgb b) { return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b); }

struct Box {
    std::size_t begin = 0; // into the sorted list of colours
    std::size_t end = 0;
    int longest = 0; // channel with the widest spread
    int spread = 0;
};

Box Measure(const std::vector<Rgb>& colours, std::size_t begin, std::size_t end) {
    Box box{begin, end, 0, -1};
    for (int channel = 0; channel < 3; ++channel) {
        int lo = 255;
        int hi = 0;
        for (std::size_t i = begin; i < end; ++i) {
            lo = std::min(lo, Channel(colours[i], channel));
            hi = std::max(hi, Channel(colours[i], channel));
        }
        if (hi - lo > box.spread) {
            box.spread = hi - lo;
            box.longest = channel;
        }
    }
    return box;
}

// Median cut over every opaque pixel (not just the distinct colours), so the
// colours that cover most of the picture get the finest steps.
std::vector<Rgb> MedianCut(std::vector<Rgb> colours, std::size_t wanted) {
    std::sort(colours.begin(), colours.end(), Less);
    std::vector<Box> boxes = {Measure(colours, 0, colours.size())};
    while (boxes.size() < wanted) {
        std::size_t widest = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].spread <= 0) continue;
            if (widest == boxes.size() || boxes[i].spread > boxes[widest].spread) widest = i;
        }
        if (widest == boxes.size()) break; // every box is down to one colour
        const Box box = boxes[widest];
        const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [&box](Rgb a, Rgb b) {
            const int ca = Channel(a, box.longest);
            const int cb = Channel(b, box.longest);
            return ca != cb ? ca < cb : Less(a, b);
        });
        // Split where the channel changes nearest the middle, so equal colours
        // never end up in both halves.
        std::size_t cut = box.begin + (box.end - box.begin) / 2;
        const auto same = [&](std::size_t i) {
            return Channel(colours[i - 1], box.longest) == Channel(colours[i], box.longest);
        };
        std::size_t up = cut;
        while (up < box.end && same(up)) ++up;
        std::size_t down = cut;
        while (down > box.begin && same(down)) --down;
        if (up == box.end) {
            cut = down;
        } else if (down == box.begin) {
            cut = up;
        } else {
            cut = (up - cut) <= (cut - down) ? up : down;
        }
        boxes[widest] = Measure(colours, box.begin, cut);
        boxes.push_back(Measure(colours, cut, box.end));
    }
    std::vector<Rgb> palette;
    for (const Box& box : boxes) {
        std::array<long, 3> sum{};
        for (std::size_t i = box.begin; i < box.end; ++i)
            for (int channel = 0; channel < 3; ++channel)
                sum[static_cast<std::size_t>(channel)] += Channel(colours[i], channel);
        const auto count = static_cast<long>(box.end - box.begin);
        const auto mean = [&](std::size_t channel) {
            return static_cast<std::uint8_t>((sum[channel] + count / 2) / count);
        };
        palette.push_back({mean(0), mean(1), mean(2)});
    }
    return palette;
}

std::uint8_t Nearest(const std::vector<Rgb>& palette, Rgb c) {
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - c.r;
        const int dg = palette[i].g - c.g;
        const int db = palette[i].b - c.b;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, unsigned long value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

std::size_t RowBytes(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

void Check(const IndexedImage& image) {
    if (image.bitsPerPixel != 1 && image.bitsPerPixel != 8)
        throw std::invalid_argument("icons here are 1 or 8 bits per pixel");
    if (image.width < 1 || image.height < 1 || image.width > 256 || image.height > 256)
        throw std::invalid_argument("an icon image is 1 to 256 pixels each way");
    const auto pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.indices.size() != pixels || image.transparent.size() != pixels)
        throw std::invalid_argument("an icon image needs an index and a mask bit per pixel");
    const std::size_t colours = std::size_t{1} << image.bitsPerPixel;
    if (image.palette.size() > colours)
        throw std::invalid_argument("more colours than the bit depth can index");
    for (std::uint8_t index : image.indices)
        if (index >= std::max<std::size_t>(image.palette.size(), 1))
            throw std::invalid_argument("a pixel points past the palette");
}

// The DIB of one image: header, palette, XOR bitmap, AND mask, rows bottom up.
std::vector<std::uint8_t> Dib(const IndexedImage& image) {
    const std::size_t colours = std::size_t{1} << image.bitsPerPixel;
    const std::size_t xorRow = RowBytes(image.width, image.bitsPerPixel);
    const std::size_t andRow = RowBytes(image.width, 1);
    const std::size_t bitsSize = (xorRow + andRow) * static_cast<std::size_t>(image.height);

    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<unsigned long>(image.width));
    Put32(out, static_cast<unsigned long>(2 * image.height)); // XOR and AND stacked
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(image.bitsPerPixel));
    Put32(out, 0); // BI_RGB
    Put32(out, static_cast<unsigned long>(bitsSize));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0); // all 2^bits colours are present
    Put32(out, 0);
    for (std::size_t i = 0; i < colours; ++i) {
        const Rgb c = i < image.palette.size() ? image.palette[i] : Rgb{};
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }

    const auto pixel = [&image](int x, int y) {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
               static_cast<std::size_t>(x);
    };
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xorRow, 0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t index = image.indices[pixel(x, y)];
            const auto ux = static_cast<std::size_t>(x);
            if (image.bitsPerPixel == 8) {
                row[ux] = index;
            } else if (index != 0) {
                row[ux / 8] = static_cast<std::uint8_t>(row[ux / 8] | (0x80u >> (ux % 8)));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(andRow, 0);
        for (int x = 0; x < image.width; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            if (image.transparent[pixel(x, y)])
                row[ux / 8] = static_cast<std::uint8_t>(row[ux / 8] | (0x80u >> (ux % 8)));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// The directory (type 1 icon, 2 cursor) and the images after it. For a cursor
// the planes and bit count of an entry hold the hot spot instead.
std::vector<std::uint8_t> Container(unsigned type, const std::vector<IndexedImage>& images,
                                    int hotspotX, int hotspotY) {
    if (images.empty()) throw std::invalid_argument("an icon file holds at least one image");
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const IndexedImage& image : images) {
        Check(image);
        dibs.push_back(Dib(image));
    }
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, static_cast<unsigned>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IndexedImage& image = images[i];
        out.push_back(static_cast<std::uint8_t>(image.width & 0xFF)); // 256 is written 0
        out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
        out.push_back(image.bitsPerPixel >= 8 ? 0 : static_cast<std::uint8_t>(1u << image.bitsPerPixel));
        out.push_back(0);
        if (type == 2) {
            Put16(out, static_cast<unsigned>(hotspotX));
            Put16(out, static_cast<unsigned>(hotspotY));
        } else {
            Put16(out, 1);
            Put16(out, static_cast<unsigned>(image.bitsPerPixel));
        }
        Put32(out, static_cast<unsigned long>(dibs[i].size()));
        Put32(out, static_cast<unsigned long>(offset));
        offset += dibs[i].size();
    }
    for (const auto& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

} // namespace

IndexedImage Palettize(const std::vector<Sample>& samples, int width, int height) {
    IndexedImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = 8;
    std::vector<Rgb> opaque;
    for (const Sample& s : samples)
        if (s.alpha >= 0.5) opaque.push_back(ToRgb(s.colour));

    image.palette = {Rgb{}};
    if (!opaque.empty()) {
        const std::vector<Rgb> cut = MedianCut(opaque, 255);
        image.palette.insert(image.palette.end(), cut.begin(), cut.end());
    }
    for (const Sample& s : samples) {
        const bool shown = s.alpha >= 0.5;
        image.transparent.push_back(shown ? 0 : 1);
        image.indices.push_back(shown ? Nearest(image.palette, ToRgb(s.colour)) : 0);
    }
    return image;
}

std::vector<std::uint8_t> EncodeIcon(const std::vector<IndexedImage>& images) {
    return Container(1, images, 0, 0);
}

std::vector<std::uint8_t> EncodeCursor(const IndexedImage& image, int hotspotX, int hotspotY) {
    if (hotspotX < 0 || hotspotY < 0 || hotspotX >= image.width || hotspotY >= image.height)
        throw std::invalid_argument("the hot spot lies inside the cursor");
    return Container(2, {image}, hotspotX, hotspotY);
}

} // namespace lumora::pictures
