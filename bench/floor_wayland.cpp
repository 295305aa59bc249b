// The least a Wayland screen saver can cost: one black picture on an overlay
// layer over each output, committed once; after that the client only answers
// the compositor, until SIGTERM ends it. bench/wayland_saver.py sets lumora
// beside it, so that what sway spends on any layer over the screen is told
// apart from what the shower's frames cost.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include <wlr-layer-shell-unstable-v1-client-protocol.h>

namespace {

struct Floor;

struct Layer {
    Floor* floor = nullptr;
    wl_output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wl_buffer* buffer = nullptr;
};

struct Floor {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* shell = nullptr;
    std::vector<std::unique_ptr<Layer>> layers;
    bool started = false;
    bool failed = false;
};

// Zero bytes are black in XRGB8888: a fresh memfd is the picture already.
wl_buffer* BlackBuffer(wl_shm* shm, std::int32_t width, std::int32_t height) {
    const std::int32_t stride = width * 4;
    const int fd = memfd_create("floor", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    wl_buffer* buffer = nullptr;
    if (ftruncate(fd, static_cast<off_t>(stride) * height) == 0) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, stride * height);
        buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
        // The buffer keeps the memory; the pool and the descriptor are not needed again.
        wl_shm_pool_destroy(pool);
    }
    close(fd);
    return buffer;
}

void OnConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                 std::uint32_t height) {
    Layer& cover = *static_cast<Layer*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    // Later configures keep the size of an output that does not change: the
    // ack alone answers them, and nothing is committed again.
    if (cover.buffer != nullptr) return;
    if (width > 0 && height > 0)
        cover.buffer = BlackBuffer(cover.floor->shm, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (cover.buffer == nullptr) {
        std::fprintf(stderr, "floor_wayland: no %ux%u picture in shared memory\n", width, height);
        cover.floor->failed = true;
        return;
    }
    wl_surface_attach(cover.surface, cover.buffer, 0, 0);
    wl_surface_damage(cover.surface, 0, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    wl_surface_commit(cover.surface);
}

void OnClosed(void* data, zwlr_layer_surface_v1*) {
    std::fprintf(stderr, "floor_wayland: the compositor closed a layer\n");
    static_cast<Layer*>(data)->floor->failed = true;
}

void Cover(Floor& floor, Layer& cover) {
    static const zwlr_layer_surface_v1_listener listener = {OnConfigure, OnClosed};
    cover.surface = wl_compositor_create_surface(floor.compositor);
    cover.layer = zwlr_layer_shell_v1_get_layer_surface(floor.shell, cover.surface, cover.output,
                                                        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "floor");
    zwlr_layer_surface_v1_add_listener(cover.layer, &listener, &cover);
    zwlr_layer_surface_v1_set_anchor(cover.layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(cover.layer, -1);
    // The first commit has no buffer: it asks for the size.
    wl_surface_commit(cover.surface);
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto& floor = *static_cast<Floor*>(data);
    const std::string_view kind(interface);
    if (kind == wl_compositor_interface.name) {
        floor.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    } else if (kind == wl_shm_interface.name) {
        floor.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (kind == zwlr_layer_shell_v1_interface.name) {
        floor.shell =
            static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
    } else if (kind == wl_output_interface.name) {
        floor.layers.push_back(std::make_unique<Layer>());
        floor.layers.back()->floor = &floor;
        floor.layers.back()->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
        // An output plugged in later is covered too.
        if (floor.started) Cover(floor, *floor.layers.back());
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "floor_wayland: no Wayland compositor ($WAYLAND_DISPLAY)\n");
        return 1;
    }
    Floor floor;
    static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &floor);
    if (wl_display_roundtrip(display) < 0) return 1;
    if (floor.compositor == nullptr || floor.shm == nullptr || floor.shell == nullptr) {
        std::fprintf(stderr, "floor_wayland: the compositor lacks wl_compositor, wl_shm or zwlr_layer_shell_v1\n");
        return 1;
    }
    floor.started = true;
    for (auto& cover : floor.layers) Cover(floor, *cover);
    while (!floor.failed && wl_display_dispatch(display) >= 0) {
    }
    return 1; // only SIGTERM ends it well
}
