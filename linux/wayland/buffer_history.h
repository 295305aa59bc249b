// What each of a surface's buffers lacks of the picture. The compositor reads
// a buffer for as long as it holds it, so each frame is drawn into another one,
// which must first catch up on the frames shown since it was last shown; only
// the boxes that changed are copied, and only this frame's are damaged.
//
// No Wayland header here: the unit tests build it natively.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "linux/changed_region.h"
#include "platform/geometry.h"

namespace lumora::wayland {

class BufferHistory {
public:
    // A surface has at most this many buffers: one shown, one the compositor
    // may still be reading, one to draw in.
    static constexpr int kMostBuffers = 3;
    // The damage is given in squares this size.
    static constexpr int kDamageGrid = 64;

    // A surface of this size, none of whose buffers holds anything yet. The
    // only place it allocates.
    void Reset(int width, int height);
    // A box the shower changed since the last frame, in the surface's pixels.
    void Add(const Rect& box);
    // The whole surface changed (laid out again, say).
    void AddWhole() { pending_.whole = true; }
    bool Pending() const { return pending_.whole || !pending_.boxes.empty(); }

    // The boxes `buffer` (0 to kMostBuffers - 1) lacks of the picture: the
    // frames shown since it was, and the changes not shown yet.
    const std::vector<Rect>& ToCopy(int buffer);
    // The boxes to damage: those changed since the frame shown last.
    const std::vector<Rect>& ToDamage();
    // The frame is committed in `buffer`: its changes become what the other
    // buffers lack.
    void Shown(int buffer);

private:
    struct Changes {
        std::vector<Rect> boxes;
        bool whole = false;
        void Clear() {
            boxes.clear();
            whole = false;
        }
    };
    const std::vector<Rect>& Region(const Changes& changes, linux_desktop::BandedRegion& region);

    int width_ = 0;
    int height_ = 0;
    Changes pending_;
    // The changes of the frames shown last, frame n at n % kMostBuffers.
    std::array<Changes, kMostBuffers> shown_;
    std::uint64_t frames_ = 0;                             // frames shown
    std::array<std::int64_t, kMostBuffers> drawnAt_ = {}; // the frame each buffer holds, -1: none
    Changes gathered_;
    linux_desktop::BandedRegion copyRegion_;
    // A compositor adds each damaged box to its region one at a time and
    // repaints box by box: a thousand stars' small boxes cost sway six times
    // what a few big ones do, whose pixels it repaints in one go (measured).
    linux_desktop::BandedRegion damageRegion_{kDamageGrid, kDamageGrid};
    std::vector<Rect> whole_;
};

} // namespace lumora::wayland
