// A seat's keyboard and pointer, taken whenever the seat announces them (a
// keyboard plugged in later, a virtual one made by a tool), given up when it
// takes them back. The pointer's cursor is hidden over our surfaces.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>

#include "display/saver_session.h"
#include "linux/wayland/protocol.h"

namespace lumora::wayland {

struct XkbUnref {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using OwnedXkbContext = std::unique_ptr<xkb_context, XkbUnref>;
using OwnedKeymap = std::unique_ptr<xkb_keymap, XkbUnref>;
using OwnedKeyState = std::unique_ptr<xkb_state, XkbUnref>;

// Where a seat's input goes.
class InputSink {
public:
    virtual ~InputSink() = default;
    virtual void OnKey(Key key) = 0;
    virtual void OnButton() = 0;
    // The pointer is at (x, y) on this surface, in its own coordinates.
    virtual void OnPointerAt(wl_surface* surface, double x, double y) = 0;
};

class Seat {
public:
    // Binds the seat global `name`; its input goes to `sink`.
    Seat(wl_registry* registry, std::uint32_t name, std::uint32_t version, xkb_context* keys, InputSink& sink);
    Seat(const Seat&) = delete;
    Seat& operator=(const Seat&) = delete;

    std::uint32_t Name() const { return name_; }

private:
    static void OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    static void OnName(void*, wl_seat*, const char*) {}
    static void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size);
    static void OnKeyboardEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
    static void OnKeyboardLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
    static void OnKeyEvent(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                           std::uint32_t state);
    static void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                            std::uint32_t locked, std::uint32_t group);
    static void OnRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
    static void OnPointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface,
                               wl_fixed_t x, wl_fixed_t y);
    static void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*);
    static void OnMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y);
    static void OnButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state);
    static void OnAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    static void OnFrame(void*, wl_pointer*) {}
    static void OnAxisSource(void*, wl_pointer*, std::uint32_t) {}
    static void OnAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void OnAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
    Key KeyOf(std::uint32_t evdevCode) const;

    const std::uint32_t name_;
    InputSink& sink_;
    xkb_context* keys_;
    wl_surface* pointerOn_ = nullptr; // the surface the pointer is over
    // Each given up before the seat.
    OwnedSeat seat_;
    OwnedKeyboard keyboard_;
    OwnedPointer pointer_;
    OwnedKeymap keymap_;
    OwnedKeyState keyState_;
};

} // namespace lumora::wayland
