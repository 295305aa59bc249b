#include "linux/wayland/buffers.h"

#include <sys/mman.h>
#include <unistd.h>

namespace lumora::wayland {

ShmBuffers::~ShmBuffers() {
    for (Slot& slot : slots_) slot.buffer.reset();
    pool_.reset();
    Unmap();
}

void ShmBuffers::Unmap() {
    if (memory_ != nullptr) munmap(memory_, size_);
    memory_ = nullptr;
    size_ = 0;
}

bool ShmBuffers::Reset(wl_shm* shm, int width, int height) {
    for (Slot& slot : slots_) slot = Slot{};
    pool_.reset();
    Unmap();
    width_ = 0;
    height_ = 0;
    if (width <= 0 || height <= 0) return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    const std::size_t size = bytes * kCount;
    // Memory only ours and the compositor's, gone with the last of us to let go.
    const linux_desktop::UniqueFd fd(memfd_create("lumora", MFD_CLOEXEC));
    if (!fd || ftruncate(fd.Get(), static_cast<off_t>(size)) != 0 || size > static_cast<std::size_t>(INT32_MAX))
        return false;
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
    if (memory == MAP_FAILED) return false;
    memory_ = memory;
    size_ = size;
    width_ = width;
    height_ = height;
    pool_.reset(wl_shm_create_pool(shm, fd.Get(), static_cast<std::int32_t>(size)));
    static const wl_buffer_listener listener = {OnRelease};
    for (int index = 0; index < kCount; ++index) {
        Slot& slot = slots_[static_cast<std::size_t>(index)];
        slot.owner = this;
        slot.buffer.reset(wl_shm_pool_create_buffer(pool_.get(), static_cast<std::int32_t>(bytes) * index, width,
                                                    height, width * 4, WL_SHM_FORMAT_XRGB8888));
        wl_buffer_add_listener(slot.buffer.get(), &listener, &slot);
    }
    return true;
}

int ShmBuffers::Free(int most) const {
    if (memory_ == nullptr) return -1;
    int fresh = -1;
    int used = 0;
    for (int index = 0; index < kCount; ++index) {
        const Slot& slot = slots_[static_cast<std::size_t>(index)];
        used += slot.used ? 1 : 0;
        if (slot.held) continue;
        if (slot.used) return index;
        if (fresh < 0) fresh = index;
    }
    return used < most ? fresh : -1;
}

PixelView ShmBuffers::Pixels(int index) const {
    auto* first = static_cast<std::uint32_t*>(memory_);
    return PixelView{first + static_cast<std::ptrdiff_t>(index) * width_ * height_, width_, height_, width_};
}

void ShmBuffers::Attach(wl_surface* surface, int index) {
    Slot& slot = slots_[static_cast<std::size_t>(index)];
    wl_surface_attach(surface, slot.buffer.get(), 0, 0);
    slot.held = true;
}

void ShmBuffers::OnRelease(void* data, wl_buffer*) {
    auto* slot = static_cast<Slot*>(data);
    slot->held = false;
    if (slot->owner->released_) slot->owner->released_();
}

} // namespace lumora::wayland
