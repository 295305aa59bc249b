#include "platform/x11/banded_region_x11.h"

#include <algorithm>

namespace lumora::x11 {

void BandedRegion::Reset(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    const int bands = (height_ + kBandRows - 1) / kBandRows;
    bandStart_.assign(static_cast<std::size_t>(bands) + 1, 0);
    region_.clear();
}

const std::vector<Rect>& BandedRegion::Build(const std::vector<Rect>& boxes) {
    region_.clear();
    const int bands = static_cast<int>(bandStart_.size()) - 1;
    if (bands <= 0 || width_ == 0) return region_;
    // Counted first, then placed: a counting sort by band, with no lists per band.
    std::fill(bandStart_.begin(), bandStart_.end(), 0);
    const auto bandsOf = [this](const Rect& box, int& first, int& last) {
        const int top = std::max(box.top, 0);
        const int bottom = std::min(box.bottom, height_);
        if (bottom <= top || std::min(box.right, width_) <= std::max(box.left, 0)) return false;
        first = top / kBandRows;
        last = (bottom - 1) / kBandRows;
        return true;
    };
    std::size_t total = 0;
    for (const Rect& box : boxes) {
        int first = 0;
        int last = 0;
        if (!bandsOf(box, first, last)) continue;
        for (int band = first; band <= last; ++band) ++bandStart_[static_cast<std::size_t>(band) + 1];
        total += static_cast<std::size_t>(last - first + 1);
    }
    if (spans_.size() < total) spans_.resize(total);
    for (int band = 0; band < bands; ++band) bandStart_[static_cast<std::size_t>(band) + 1] += bandStart_[static_cast<std::size_t>(band)];
    // Each band's start moves on as it fills, to become the band's end.
    for (const Rect& box : boxes) {
        int first = 0;
        int last = 0;
        if (!bandsOf(box, first, last)) continue;
        const int left = std::max(box.left, 0) / kColumnPixels * kColumnPixels;
        const int right = std::min((std::min(box.right, width_) + kColumnPixels - 1) / kColumnPixels * kColumnPixels, width_);
        for (int band = first; band <= last; ++band) spans_[static_cast<std::size_t>(bandStart_[static_cast<std::size_t>(band)]++)] = {left, right};
    }
    int begin = 0;
    for (int band = 0; band < bands; ++band) {
        const int end = bandStart_[static_cast<std::size_t>(band)];
        Span* const first = spans_.data() + begin;
        Span* const last = spans_.data() + end;
        // A band holds a handful of spans: an insertion sort beats anything cleverer.
        for (Span* s = first + 1; s < last; ++s) {
            const Span moving = *s;
            Span* t = s;
            for (; t > first && (t - 1)->left > moving.left; --t) *t = *(t - 1);
            *t = moving;
        }
        const int top = band * kBandRows;
        const int bottom = std::min(top + kBandRows, height_);
        for (Span* s = first; s < last;) {
            int right = s->right;
            const int left = s->left;
            for (++s; s < last && s->left <= right; ++s) right = std::max(right, s->right);
            region_.push_back(Rect{left, top, right, bottom});
        }
        begin = end;
    }
    return region_;
}

} // namespace lumora::x11
