#include "linux/wayland/seat.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include "linux/fd.h"

namespace lumora::wayland {
namespace {

// The seat's events we need come by version 5; later ones add only what we ignore.
constexpr std::uint32_t kSeatVersion = 5;

} // namespace

Seat::Seat(wl_registry* registry, std::uint32_t name, std::uint32_t version, xkb_context* keys, InputSink& sink)
    : name_(name), sink_(sink), keys_(keys),
      seat_(Bind<wl_seat>(registry, name, wl_seat_interface, version, kSeatVersion)) {
    static const wl_seat_listener listener = {OnCapabilities, OnName};
    wl_seat_add_listener(seat_.get(), &listener, this);
}

void Seat::OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
    auto* self = static_cast<Seat*>(data);
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && self->keyboard_ == nullptr) {
        static const wl_keyboard_listener listener = {OnKeymap,    OnKeyboardEnter, OnKeyboardLeave,
                                                      OnKeyEvent,  OnModifiers,     OnRepeatInfo};
        self->keyboard_.reset(wl_seat_get_keyboard(seat));
        wl_keyboard_add_listener(self->keyboard_.get(), &listener, self);
    } else if (!keyboard) {
        self->keyboard_.reset();
        self->keyState_.reset();
        self->keymap_.reset();
    }
    if (pointer && self->pointer_ == nullptr) {
        static const wl_pointer_listener listener = {OnPointerEnter, OnPointerLeave, OnMotion,       OnButton,
                                                     OnAxis,         OnFrame,        OnAxisSource,   OnAxisStop,
                                                     OnAxisDiscrete, nullptr};
        self->pointer_.reset(wl_seat_get_pointer(seat));
        wl_pointer_add_listener(self->pointer_.get(), &listener, self);
    } else if (!pointer) {
        self->pointer_.reset();
        self->pointerOn_ = nullptr;
    }
}

void Seat::OnKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
    auto* self = static_cast<Seat*>(data);
    const linux_desktop::UniqueFd owned(fd);
    self->keyState_.reset();
    self->keymap_.reset();
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || self->keys_ == nullptr || size == 0) return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED) return;
    // The compositor's text ends with its NUL, within `size`.
    self->keymap_.reset(xkb_keymap_new_from_buffer(self->keys_, static_cast<const char*>(text), size - 1,
                                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    munmap(text, size);
    if (self->keymap_ != nullptr) self->keyState_.reset(xkb_state_new(self->keymap_.get()));
}

Key Seat::KeyOf(std::uint32_t evdevCode) const {
    // What the layout makes of the key; without a keymap, the keys' own places.
    xkb_keysym_t symbol = XKB_KEY_NoSymbol;
    if (keyState_ != nullptr) {
        symbol = xkb_state_key_get_one_sym(keyState_.get(), evdevCode + 8); // xkb counts from 8
    } else if (evdevCode == KEY_LEFT) {
        symbol = XKB_KEY_Left;
    } else if (evdevCode == KEY_RIGHT) {
        symbol = XKB_KEY_Right;
    }
    if (symbol == XKB_KEY_Left || symbol == XKB_KEY_KP_Left) return Key::PreviousTrack;
    if (symbol == XKB_KEY_Right || symbol == XKB_KEY_KP_Right) return Key::NextTrack;
    return Key::Other;
}

void Seat::OnKeyEvent(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                      std::uint32_t state) {
    auto* self = static_cast<Seat*>(data);
    // A key held as we came is no press; only keys pressed since count.
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) self->sink_.OnKey(self->KeyOf(key));
}

void Seat::OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                       std::uint32_t locked, std::uint32_t group) {
    auto* self = static_cast<Seat*>(data);
    if (self->keyState_ != nullptr) xkb_state_update_mask(self->keyState_.get(), depressed, latched, locked, 0, 0, group);
}

void Seat::OnPointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                          wl_fixed_t y) {
    auto* self = static_cast<Seat*>(data);
    // No cursor over the shower.
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    self->pointerOn_ = surface;
    self->sink_.OnPointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void Seat::OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    static_cast<Seat*>(data)->pointerOn_ = nullptr;
}

void Seat::OnMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* self = static_cast<Seat*>(data);
    if (self->pointerOn_ != nullptr) self->sink_.OnPointerAt(self->pointerOn_, wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void Seat::OnButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<Seat*>(data)->sink_.OnButton();
}

} // namespace lumora::wayland
