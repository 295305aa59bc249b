// A surface's buffers in shared memory: one pool of its own, mapped here and
// by the compositor, cut into buffers of the surface's size; a buffer is drawn
// in only when the compositor has let go of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "display/shower.h"
#include "linux/fd.h"
#include "linux/wayland/buffer_history.h"
#include "linux/wayland/protocol.h"

namespace lumora::wayland {

class ShmBuffers {
public:
    static constexpr int kCount = BufferHistory::kMostBuffers;

    // `released` runs when the compositor lets go of a buffer.
    explicit ShmBuffers(std::function<void()> released) : released_(std::move(released)) {}
    ~ShmBuffers();
    ShmBuffers(const ShmBuffers&) = delete;
    ShmBuffers& operator=(const ShmBuffers&) = delete;

    // Buffers of this size in pixels, in a new pool; false (and no buffers)
    // when the memory cannot be had. A buffer never drawn in takes none.
    bool Reset(wl_shm* shm, int width, int height);
    // A buffer the compositor does not hold, one drawn in before if there is
    // one, a new one only while fewer than `most` have been (memory is taken
    // only as a buffer is first drawn in); -1 when there is none.
    int Free(int most) const;
    PixelView Pixels(int index) const;
    // The buffer is drawn in from now on (its memory is taken).
    void Claim(int index) { slots_[static_cast<std::size_t>(index)].used = true; }
    // Attaches the buffer to the surface; it is the compositor's until released.
    void Attach(wl_surface* surface, int index);

private:
    struct Slot {
        ShmBuffers* owner = nullptr;
        OwnedBuffer buffer;
        bool held = false;
        bool used = false;
    };
    static void OnRelease(void* data, wl_buffer* buffer);
    void Unmap();

    std::function<void()> released_;
    int width_ = 0;
    int height_ = 0;
    std::size_t size_ = 0;
    void* memory_ = nullptr;
    OwnedPool pool_;
    // The buffers go before the pool they were cut from (declared after it).
    std::array<Slot, kCount> slots_;
};

} // namespace lumora::wayland
