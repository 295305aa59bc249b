// The parts a frame changed, put as the X server keeps a region: rows of bands
// of equal height, each band's boxes left to right and apart. A clip given in
// that order ("YXBanded") is taken as it is; an unsorted one the server sorts
// and splits at every box's edges, thousands of slivers a frame, each one a
// copy of its own. Coarse bands and columns trade a few more pixels copied for
// far fewer boxes.
//
// No X header here: the unit tests build it natively.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/geometry.h"

namespace lumora::x11 {

class BandedRegion {
public:
    static constexpr int kBandRows = 4;
    static constexpr int kColumnPixels = 8;

    // Sizes the region for a surface; the only place it allocates, but for a
    // frame whose region has more boxes than any before it.
    void Reset(int width, int height);
    // The region covering these boxes, clipped to the surface.
    const std::vector<Rect>& Build(const std::vector<Rect>& boxes);

private:
    int width_ = 0;
    int height_ = 0;
    int bands_ = 0;
    int wordsPerBand_ = 0;
    std::vector<std::uint64_t> marks_; // a bit per column, band after band
    std::vector<Rect> region_;
};

} // namespace lumora::x11
