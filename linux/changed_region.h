// The parts a frame changed, put as display servers keep a region: rows of
// bands of equal height, each band's boxes left to right and apart. An X clip
// given in that order ("YXBanded") is taken as it is; an unsorted one the
// server sorts and splits at every box's edges, thousands of slivers a frame,
// each one a copy of its own. A Wayland compositor adds each damaged box to
// its region one by one, so fewer boxes are less of its work too. Coarse
// bands and columns trade a few more pixels copied for far fewer boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/geometry.h"

namespace lumora::linux_desktop {

class BandedRegion {
public:
    // The X server's grid: its copies cost by the pixel as much as by the box.
    static constexpr int kBandRows = 4;
    static constexpr int kColumnPixels = 8;

    explicit BandedRegion(int bandRows = kBandRows, int columnPixels = kColumnPixels)
        : bandRows_(bandRows), columnPixels_(columnPixels) {}

    // Sizes the region for a surface; the only place it allocates, but for a
    // frame whose region has more boxes than any before it.
    void Reset(int width, int height);
    // The region covering these boxes, clipped to the surface.
    const std::vector<Rect>& Build(const std::vector<Rect>& boxes);

private:
    int bandRows_;
    int columnPixels_;
    int width_ = 0;
    int height_ = 0;
    int bands_ = 0;
    int wordsPerBand_ = 0;
    std::vector<std::uint64_t> marks_; // a bit per column, band after band
    std::vector<Rect> region_;
};

} // namespace lumora::linux_desktop
