#include "linux/changed_region.h"

#include <algorithm>

namespace lumora::linux_desktop {
namespace {

constexpr int kWordBits = 64;

} // namespace

void BandedRegion::Reset(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    bands_ = (height_ + bandRows_ - 1) / bandRows_;
    const int columns = (width_ + columnPixels_ - 1) / columnPixels_;
    wordsPerBand_ = (columns + kWordBits - 1) / kWordBits;
    marks_.assign(static_cast<std::size_t>(bands_) * static_cast<std::size_t>(wordsPerBand_), 0);
    region_.clear();
}

const std::vector<Rect>& BandedRegion::Build(const std::vector<Rect>& boxes) {
    region_.clear();
    if (marks_.empty()) return region_;
    // A bit for each column of each band: marking needs no sorting, and
    // columns next to each other come out as one box.
    std::fill(marks_.begin(), marks_.end(), 0);
    for (const Rect& box : boxes) {
        const int top = std::max(box.top, 0);
        const int bottom = std::min(box.bottom, height_);
        const int left = std::max(box.left, 0);
        const int right = std::min(box.right, width_);
        if (bottom <= top || right <= left) continue;
        const int firstColumn = left / columnPixels_;
        const int lastColumn = (right - 1) / columnPixels_;
        for (int band = top / bandRows_; band <= (bottom - 1) / bandRows_; ++band) {
            std::uint64_t* words = &marks_[static_cast<std::size_t>(band) * static_cast<std::size_t>(wordsPerBand_)];
            for (int column = firstColumn; column <= lastColumn; ++column)
                words[column / kWordBits] |= std::uint64_t{1} << (column % kWordBits);
        }
    }
    for (int band = 0; band < bands_; ++band) {
        const std::uint64_t* words = &marks_[static_cast<std::size_t>(band) * static_cast<std::size_t>(wordsPerBand_)];
        const int top = band * bandRows_;
        const int bottom = std::min(top + bandRows_, height_);
        int runStart = -1; // the first column of the run under way
        for (int word = 0; word < wordsPerBand_; ++word) {
            std::uint64_t bits = words[word];
            int at = 0; // the bits below this one are taken
            while (at < kWordBits) {
                // Inside a run: look for its end (the next clear bit); else for the next set bit.
                const std::uint64_t looked = (runStart >= 0 ? ~bits : bits) >> at;
                if (looked == 0) break;
                at += __builtin_ctzll(looked);
                const int column = word * kWordBits + at;
                if (runStart >= 0) {
                    region_.push_back(Rect{runStart * columnPixels_, top, std::min(column * columnPixels_, width_), bottom});
                    runStart = -1;
                } else {
                    runStart = column;
                }
            }
        }
        if (runStart >= 0)
            region_.push_back(Rect{runStart * columnPixels_, top, width_, bottom});
    }
    return region_;
}

} // namespace lumora::linux_desktop
