#include "jpeg.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

namespace lumora::pictures {
namespace {

using Block = std::array<double, 64>;

constexpr std::array<int, 64> kLuminanceQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

constexpr std::array<int, 64> kChrominanceQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

struct HuffmanTable {
    std::array<std::uint8_t, 16> counts; // how many codes of each length 1..16
    std::vector<std::uint8_t> symbols;
};

const HuffmanTable kDcLuminance = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                  {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};

const HuffmanTable kDcChrominance = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                                    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};

const HuffmanTable kAcLuminance = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
     0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
     0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
     0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
     0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
     0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
     0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
     0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
     0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
     0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

const HuffmanTable kAcChrominance = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
     0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
     0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
     0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
     0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
     0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
     0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
     0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
     0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
     0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

struct Code {
    std::uint16_t bits = 0;
    int length = 0; // 0: the symbol has no code
};

using CodeTable = std::array<Code, 256>;

// Canonical codes: each length's codes follow the previous length's, doubled.
CodeTable BuildCodes(const HuffmanTable& huffman) {
    CodeTable table{};
    unsigned code = 0;
    std::size_t next = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < huffman.counts[static_cast<std::size_t>(length - 1)]; ++i) {
            table[huffman.symbols[next++]] = {static_cast<std::uint16_t>(code), length};
            ++code;
        }
        code <<= 1;
    }
    return table;
}

// Zigzag position -> row-major position inside the block.
std::array<int, 64> ZigzagOrder() {
    std::array<int, 64> order{};
    int x = 0;
    int y = 0;
    for (auto& slot : order) {
        slot = y * 8 + x;
        if ((x + y) % 2 == 0) { // moving up and to the right
            if (x == 7) {
                ++y;
            } else if (y == 0) {
                ++x;
            } else {
                ++x;
                --y;
            }
        } else { // moving down and to the left
            if (y == 7) {
                ++x;
            } else if (x == 0) {
                ++y;
            } else {
                --x;
                ++y;
            }
        }
    }
    return order;
}

std::array<int, 64> ScaledQuant(const std::array<int, 64>& base, int quality) {
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::array<int, 64> out{};
    for (std::size_t i = 0; i < 64; ++i) {
        const int q = (base[i] * scale + 50) / 100;
        out[i] = q < 1 ? 1 : (q > 255 ? 255 : q);
    }
    return out;
}

// The cosines of the transform, computed once with our own Cos so the output
// does not hang on the C library.
std::array<double, 64> CosineTable() {
    std::array<double, 64> table{};
    for (int u = 0; u < 8; ++u) {
        const double c = u == 0 ? std::sqrt(0.5) : 1.0;
        for (int x = 0; x < 8; ++x)
            table[static_cast<std::size_t>(u * 8 + x)] = 0.5 * c * Cos((2 * x + 1) * u * kPi / 16);
    }
    return table;
}

// The 2-D DCT as two passes of the 1-D one; plenty fast for pictures this size.
Block ForwardDct(const Block& in, const std::array<double, 64>& cosine) {
    Block rows{};
    for (std::size_t y = 0; y < 8; ++y)
        for (std::size_t u = 0; u < 8; ++u) {
            double sum = 0;
            for (std::size_t x = 0; x < 8; ++x) sum += cosine[u * 8 + x] * in[y * 8 + x];
            rows[y * 8 + u] = sum;
        }
    Block out{};
    for (std::size_t u = 0; u < 8; ++u)
        for (std::size_t v = 0; v < 8; ++v) {
            double sum = 0;
            for (std::size_t y = 0; y < 8; ++y) sum += cosine[v * 8 + y] * rows[y * 8 + u];
            out[v * 8 + u] = sum;
        }
    return out;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Put(unsigned bits, int length) {
        for (int i = length - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>((current_ << 1) | ((bits >> i) & 1u));
            if (++filled_ == 8) Emit();
        }
    }

    // The last byte is padded with 1 bits, which a decoder reads as no code.
    void Flush() {
        while (filled_ != 0) Put(1, 1);
    }

private:
    void Emit() {
        out_.push_back(current_);
        // A 0xFF in the data would read as a marker; the stuffed zero says it is not.
        if (current_ == 0xFF) out_.push_back(0);
        current_ = 0;
        filled_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

// The size category of a coefficient and its extra bits, as JPEG codes them:
// negative values are sent as value - 1 in the low bits.
void Magnitude(int value, int& category, unsigned& bits) {
    int magnitude = value < 0 ? -value : value;
    category = 0;
    while (magnitude > 0) {
        ++category;
        magnitude >>= 1;
    }
    const int extra = value < 0 ? value + (1 << category) - 1 : value;
    bits = static_cast<unsigned>(extra);
}

struct Component {
    const std::array<int, 64>* quant;
    const CodeTable* dc;
    const CodeTable* ac;
    int previousDc = 0;
};

void EncodeBlock(BitWriter& writer, const Block& samples, Component& component,
                 const std::array<double, 64>& cosine, const std::array<int, 64>& zigzag) {
    const Block coefficients = ForwardDct(samples, cosine);
    std::array<int, 64> quantised{};
    for (std::size_t k = 0; k < 64; ++k) {
        const auto natural = static_cast<std::size_t>(zigzag[k]);
        const double q = coefficients[natural] / (*component.quant)[natural];
        // Half away from zero, so a picture and its mirror image code alike.
        quantised[k] = q < 0 ? -Round(-q) : Round(q);
    }

    int category = 0;
    unsigned bits = 0;
    const int dcDifference = quantised[0] - component.previousDc;
    component.previousDc = quantised[0];
    Magnitude(dcDifference, category, bits);
    const Code& dcCode = (*component.dc)[static_cast<std::size_t>(category)];
    writer.Put(dcCode.bits, dcCode.length);
    writer.Put(bits, category);

    int zeros = 0;
    for (std::size_t k = 1; k < 64; ++k) {
        if (quantised[k] == 0) {
            ++zeros;
            continue;
        }
        while (zeros >= 16) { // ZRL: sixteen zeros in a row
            const Code& zrl = (*component.ac)[0xF0];
            writer.Put(zrl.bits, zrl.length);
            zeros -= 16;
        }
        Magnitude(quantised[k], category, bits);
        const Code& code = (*component.ac)[static_cast<std::size_t>(zeros * 16 + category)];
        writer.Put(code.bits, code.length);
        writer.Put(bits, category);
        zeros = 0;
    }
    if (zeros > 0) {
        const Code& eob = (*component.ac)[0x00];
        writer.Put(eob.bits, eob.length);
    }
}

void Put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void PutMarker(std::vector<std::uint8_t>& out, std::uint8_t marker) {
    out.push_back(0xFF);
    out.push_back(marker);
}

void PutHuffmanTable(std::vector<std::uint8_t>& out, std::uint8_t classAndId,
                     const HuffmanTable& huffman) {
    out.push_back(classAndId);
    out.insert(out.end(), huffman.counts.begin(), huffman.counts.end());
    out.insert(out.end(), huffman.symbols.begin(), huffman.symbols.end());
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality) {
    const std::array<int, 64> zigzag = ZigzagOrder();
    const std::array<int, 64> lumaQuant = ScaledQuant(kLuminanceQuant, quality);
    const std::array<int, 64> chromaQuant = ScaledQuant(kChrominanceQuant, quality);
    const int width = image.Width();
    const int height = image.Height();
    // The frame header holds 16-bit sizes, and a picture of no pixels is no JPEG.
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        throw std::invalid_argument("a JPEG is 1 to 65535 pixels each way");

    std::vector<std::uint8_t> out;
    PutMarker(out, 0xD8); // SOI

    PutMarker(out, 0xE0); // APP0: JFIF 1.01, square pixels, no thumbnail
    Put16(out, 16);
    for (char c : {'J', 'F', 'I', 'F', '\0'}) out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(1);
    out.push_back(1);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(0);
    out.push_back(0);

    PutMarker(out, 0xDB); // DQT: both tables, 8-bit, in zigzag order
    Put16(out, 2 + 2 * 65);
    for (std::uint8_t id = 0; id < 2; ++id) {
        const std::array<int, 64>& table = id == 0 ? lumaQuant : chromaQuant;
        out.push_back(id);
        for (int natural : zigzag)
            out.push_back(static_cast<std::uint8_t>(table[static_cast<std::size_t>(natural)]));
    }

    PutMarker(out, 0xC0); // SOF0: baseline, three components, none subsampled
    Put16(out, 8 + 3 * 3);
    out.push_back(8);
    Put16(out, height);
    Put16(out, width);
    out.push_back(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.push_back(id);
        out.push_back(0x11);
        out.push_back(id == 1 ? 0 : 1);
    }

    PutMarker(out, 0xC4); // DHT
    const std::size_t tablesLength = 4 * 17 + kDcLuminance.symbols.size() +
                                     kAcLuminance.symbols.size() + kDcChrominance.symbols.size() +
                                     kAcChrominance.symbols.size();
    Put16(out, static_cast<int>(2 + tablesLength));
    PutHuffmanTable(out, 0x00, kDcLuminance);
    PutHuffmanTable(out, 0x10, kAcLuminance);
    PutHuffmanTable(out, 0x01, kDcChrominance);
    PutHuffmanTable(out, 0x11, kAcChrominance);

    PutMarker(out, 0xDA); // SOS
    Put16(out, 6 + 2 * 3);
    out.push_back(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.push_back(id);
        out.push_back(id == 1 ? 0x00 : 0x11);
    }
    out.push_back(0);
    out.push_back(63);
    out.push_back(0);

    const CodeTable dcLuma = BuildCodes(kDcLuminance);
    const CodeTable acLuma = BuildCodes(kAcLuminance);
    const CodeTable dcChroma = BuildCodes(kDcChrominance);
    const CodeTable acChroma = BuildCodes(kAcChrominance);
    std::array<Component, 3> components = {Component{&lumaQuant, &dcLuma, &acLuma},
                                           Component{&chromaQuant, &dcChroma, &acChroma},
                                           Component{&chromaQuant, &dcChroma, &acChroma}};
    const std::array<double, 64> cosine = CosineTable();

    BitWriter writer(out);
    for (int by = 0; by < height; by += 8) {
        for (int bx = 0; bx < width; bx += 8) {
            std::array<Block, 3> blocks{};
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    // Past the edge the last row and column repeat: a flat
                    // continuation costs no bits and leaves no fringe.
                    const int sx = bx + x < width ? bx + x : width - 1;
                    const int sy = by + y < height ? by + y : height - 1;
                    const Rgb c = image.At(sx, sy);
                    const double r = c.r;
                    const double g = c.g;
                    const double b = c.b;
                    const auto i = static_cast<std::size_t>(y * 8 + x);
                    blocks[0][i] = 0.299 * r + 0.587 * g + 0.114 * b - 128;
                    blocks[1][i] = -0.168736 * r - 0.331264 * g + 0.5 * b;
                    blocks[2][i] = 0.5 * r - 0.418688 * g - 0.081312 * b;
                }
            }
            for (std::size_t k = 0; k < 3; ++k)
                EncodeBlock(writer, blocks[k], components[k], cosine, zigzag);
        }
    }
    writer.Flush();

    PutMarker(out, 0xD9); // EOI
    return out;
}

} // namespace lumora::pictures
