#include "linux/wayland/buffer_history.h"

namespace lumora::wayland {
namespace {

// Boxes of a frame beyond this are taken as the whole surface: a frame waited
// for so long (the compositor slow to call back) that copying everything is as cheap.
constexpr std::size_t kMostBoxes = 16 * 1024;

} // namespace

void BufferHistory::Reset(int width, int height) {

    width_ = width;
    height_ = height;
    for (Changes* changes : {&pending_, &gathered_}) {
        changes->boxes.reserve(kMostBoxes * (changes == &gathered_ ? kMostBuffers : 1));
        changes->Clear();
    }
    for (Changes& changes : shown_) {
        changes.boxes.reserve(kMostBoxes);
        changes.Clear();
    }
    frames_ = 0;
    drawnAt_.fill(-1);
    copyRegion_.Reset(width, height);
    damageRegion_.Reset(width, height);
    whole_ = {Rect{0, 0, width, height}};
    pending_.whole = true;
}

void BufferHistory::Add(const Rect& box) {
    if (pending_.whole) return;
    if (pending_.boxes.size() == kMostBoxes)
        pending_.whole = true;
    else
        pending_.boxes.push_back(box);
}

const std::vector<Rect>& BufferHistory::Region(const Changes& changes, linux_desktop::BandedRegion& region) {
    return changes.whole ? whole_ : region.Build(changes.boxes);
}

const std::vector<Rect>& BufferHistory::ToCopy(int buffer) {
    gathered_.Clear();
    const std::int64_t drawn = drawnAt_[static_cast<std::size_t>(buffer)];
    const auto frames = static_cast<std::int64_t>(frames_);
    // Drawn never, or longer ago than the frames kept: it lacks everything.
    gathered_.whole = pending_.whole || drawn < 0 || frames - drawn - 1 > kMostBuffers;
    for (std::int64_t frame = drawn + 1; !gathered_.whole && frame < frames; ++frame) {
        const Changes& missed = shown_[static_cast<std::size_t>(frame % kMostBuffers)];
        gathered_.whole = missed.whole;
        gathered_.boxes.insert(gathered_.boxes.end(), missed.boxes.begin(), missed.boxes.end());
    }
    if (!gathered_.whole) gathered_.boxes.insert(gathered_.boxes.end(), pending_.boxes.begin(), pending_.boxes.end());
    return Region(gathered_, copyRegion_);
}

const std::vector<Rect>& BufferHistory::ToDamage() { return Region(pending_, damageRegion_); }

void BufferHistory::Shown(int buffer) {
    Changes& slot = shown_[static_cast<std::size_t>(frames_ % kMostBuffers)];
    // Swapped, not copied: both keep their room.
    slot.boxes.swap(pending_.boxes);
    slot.whole = pending_.whole;
    pending_.Clear();
    drawnAt_[static_cast<std::size_t>(buffer)] = static_cast<std::int64_t>(frames_);
    ++frames_;
}

} // namespace lumora::wayland
