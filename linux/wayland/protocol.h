// The Wayland objects the client holds, each with its owner, and the
// protocols' generated declarations (made from their XML at build time).
#pragma once

#include <wayland-client.h>
#include <wlr-layer-shell-unstable-v1-client-protocol.h>
#include <xdg-shell-client-protocol.h>

#include <cstdint>
#include <memory>

namespace lumora::wayland {

// How each object is let go. An object whose polite goodbye came in a later
// version than the one bound is only forgotten on our side.
struct Destroyer {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
    void operator()(wl_registry* registry) const { wl_registry_destroy(registry); }
    void operator()(wl_compositor* compositor) const { wl_compositor_destroy(compositor); }
    void operator()(wl_shm* shm) const { wl_shm_destroy(shm); }
    void operator()(wl_shm_pool* pool) const { wl_shm_pool_destroy(pool); }
    void operator()(wl_buffer* buffer) const { wl_buffer_destroy(buffer); }
    void operator()(wl_surface* surface) const { wl_surface_destroy(surface); }
    void operator()(wl_callback* callback) const { wl_callback_destroy(callback); }
    void operator()(xdg_wm_base* shell) const { xdg_wm_base_destroy(shell); }
    void operator()(xdg_surface* surface) const { xdg_surface_destroy(surface); }
    void operator()(xdg_toplevel* toplevel) const { xdg_toplevel_destroy(toplevel); }
    void operator()(zwlr_layer_surface_v1* layer) const { zwlr_layer_surface_v1_destroy(layer); }
    void operator()(wl_output* output) const {
        if (Since(output, WL_OUTPUT_RELEASE_SINCE_VERSION)) wl_output_release(output); else Forget(output);
    }
    void operator()(wl_seat* seat) const {
        if (Since(seat, WL_SEAT_RELEASE_SINCE_VERSION)) wl_seat_release(seat); else Forget(seat);
    }
    void operator()(wl_keyboard* keyboard) const {
        if (Since(keyboard, WL_KEYBOARD_RELEASE_SINCE_VERSION)) wl_keyboard_release(keyboard); else Forget(keyboard);
    }
    void operator()(wl_pointer* pointer) const {
        if (Since(pointer, WL_POINTER_RELEASE_SINCE_VERSION)) wl_pointer_release(pointer); else Forget(pointer);
    }
    void operator()(zwlr_layer_shell_v1* shell) const {
        if (Since(shell, ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)) zwlr_layer_shell_v1_destroy(shell); else Forget(shell);
    }

private:
    template <typename T>
    static bool Since(T* object, std::uint32_t version) {
        return wl_proxy_get_version(reinterpret_cast<wl_proxy*>(object)) >= version;
    }
    template <typename T>
    static void Forget(T* object) { wl_proxy_destroy(reinterpret_cast<wl_proxy*>(object)); }
};

template <typename T>
using Owned = std::unique_ptr<T, Destroyer>;

using Connection = Owned<wl_display>;
using OwnedRegistry = Owned<wl_registry>;
using OwnedCompositor = Owned<wl_compositor>;
using OwnedShm = Owned<wl_shm>;
using OwnedPool = Owned<wl_shm_pool>;
using OwnedBuffer = Owned<wl_buffer>;
using OwnedSurface = Owned<wl_surface>;
using OwnedCallback = Owned<wl_callback>;
using OwnedXdgBase = Owned<xdg_wm_base>;
using OwnedXdgSurface = Owned<xdg_surface>;
using OwnedToplevel = Owned<xdg_toplevel>;
using OwnedLayerSurface = Owned<zwlr_layer_surface_v1>;
using OwnedOutput = Owned<wl_output>;
using OwnedSeat = Owned<wl_seat>;
using OwnedKeyboard = Owned<wl_keyboard>;
using OwnedPointer = Owned<wl_pointer>;
using OwnedLayerShell = Owned<zwlr_layer_shell_v1>;

// Binds a global at the highest version both sides know.
template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t offered,
        std::uint32_t known) {
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, offered < known ? offered : known));
}

} // namespace lumora::wayland
