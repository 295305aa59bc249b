#include "display/frame_rate.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace lumora {
namespace {

constexpr std::uint32_t kInk = 0xFFFFFF;
constexpr std::uint32_t kPaper = 0x000000;
// Letters are 5 by 7 dots in cells of 6 by 9, times the scale.
constexpr int kDotsWide = 5;
constexpr int kDotsHigh = 7;
constexpr int kCellWide = 6;
constexpr int kCellHigh = 9;
// "Load: 100.0%": the box is at least this wide, as XScreenSaver's is.
constexpr int kLeastColumns = 12;

struct Glyph {
    char letter;
    std::uint8_t rows[kDotsHigh]; // the leftmost dot in bit 4
};

// Only what the two lines can hold; anything else is a blank.
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}}, {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
};

const Glyph* GlyphOf(char letter) {
    for (const Glyph& glyph : kGlyphs)
        if (glyph.letter == letter) return &glyph;
    return nullptr;
}

Rect Clipped(const Rect& box, const Rect& within) {
    return {std::max(box.left, within.left), std::max(box.top, within.top), std::min(box.right, within.right),
            std::min(box.bottom, within.bottom)};
}

// A box of one colour, clipped to `within`.
void Fill(const PixelView& picture, Rect box, const Rect& within, std::uint32_t color) {
    box = Clipped(box, within);
    for (int y = box.top; y < box.bottom; ++y) {
        std::uint32_t* row = picture.bits + static_cast<std::ptrdiff_t>(y) * picture.stride;
        std::fill(row + box.left, row + std::max(box.left, box.right), color);
    }
}

} // namespace

FrameRate::FrameRate(std::function<std::int64_t()> microseconds) : now_(std::move(microseconds)) {}

void FrameRate::Shown() {
    const std::int64_t now = now_();
    if (!counting_) {
        counting_ = true;
        since_ = now;
        return;
    }
    ++frames_;
    const std::int64_t elapsed = now - since_;
    if (elapsed < kUpdateMicroseconds) return;
    const double seconds = static_cast<double>(elapsed) / 1e6;
    const double load = std::max(0.0, 100.0 * (1.0 - static_cast<double>(waited_) / static_cast<double>(elapsed)));
    char line[64];
    std::snprintf(line, sizeof line, "FPS:  %.1f\nLoad: %.1f%%", static_cast<double>(frames_) / seconds, load);
    text_ = line;
    since_ = now;
    frames_ = 0;
    waited_ = 0;
}

void FrameRate::Waited(std::int64_t microseconds) {
    if (counting_ && microseconds > 0) waited_ += microseconds;
}

Rect FrameRate::Draw(const PixelView& picture, const Rect& field) {
    if (picture.bits == nullptr) return {};
    // About XScreenSaver's 18-point letters at 1080 lines; never below a dot a dot.
    const int scale = std::clamp((field.bottom - field.top) / 300, 1, 6);
    int lines = 1;
    int column = 0;
    for (const char letter : text_) {
        if (letter == '\n') {
            ++lines;
            column = 0;
        } else {
            columns_ = std::max(columns_, ++column);
        }
    }
    columns_ = std::max(columns_, kLeastColumns);
    const int pad = 2 * scale;
    const int margin = 4 * scale;
    const int width = columns_ * kCellWide * scale - scale + 2 * pad;
    const int height = lines * kCellHigh * scale - 2 * scale + 2 * pad;
    const Rect within{std::max(field.left, 0), std::max(field.top, 0), std::min(field.right, picture.width),
                      std::min(field.bottom, picture.height)};
    const Rect box{field.left + margin, field.bottom - margin - height, field.left + margin + width,
                   field.bottom - margin};
    Fill(picture, box, within, kPaper);
    // Each dot half again as wide as it is high, into the gap beside it: bold, as XScreenSaver's.
    const int dotWide = scale + scale / 2;
    int x = box.left + pad;
    int y = box.top + pad;
    for (const char letter : text_) {
        if (letter == '\n') {
            x = box.left + pad;
            y += kCellHigh * scale;
            continue;
        }
        if (const Glyph* glyph = GlyphOf(letter)) {
            for (int row = 0; row < kDotsHigh; ++row)
                for (int dot = 0; dot < kDotsWide; ++dot)
                    if (glyph->rows[row] & (0x10 >> dot))
                        Fill(picture, {x + dot * scale, y + row * scale, x + dot * scale + dotWide, y + (row + 1) * scale},
                             within, kInk);
        }
        x += kCellWide * scale;
    }
    const Rect drawn = Clipped(box, within);
    if (drawn.right <= drawn.left || drawn.bottom <= drawn.top) return {};
    return drawn;
}

} // namespace lumora
