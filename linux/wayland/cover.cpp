#include "linux/wayland/cover.h"

#include <algorithm>
#include <cstring>

namespace lumora::wayland {
namespace {

// A compositor that has not called back a frame for this long shows none of
// the surface: at any refresh a screen has, it would have called back by now.
constexpr std::int32_t kAsleepAfterMs = 250;
// A window of its own, where the compositor leaves the size to us.
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;

} // namespace

Cover::Cover(const Globals& globals, CoverKind kind, wl_output* output, int width, int height, int scale,
             CoverOwner& owner)
    : globals_(globals), kind_(kind), owner_(owner), scale_(kind == CoverKind::Window ? 1 : std::max(scale, 1)),
      hintWidth_(width > 0 ? width : kWindowWidth), hintHeight_(height > 0 ? height : kWindowHeight),
      buffers_([this] { Draw(); }),
      surface_(wl_compositor_create_surface(globals.compositor)) {
    wl_surface_set_user_data(surface_.get(), this);
    if (kind == CoverKind::Layer) {
        static const zwlr_layer_surface_v1_listener listener = {OnLayerConfigure, OnLayerClosed};
        layer_.reset(zwlr_layer_shell_v1_get_layer_surface(globals.layers, surface_.get(), output,
                                                           ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumora"));
        zwlr_layer_surface_v1_add_listener(layer_.get(), &listener, this);
        zwlr_layer_surface_v1_set_anchor(layer_.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over every panel, moved by none.
        zwlr_layer_surface_v1_set_exclusive_zone(layer_.get(), -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(layer_.get(),
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else {
        static const xdg_surface_listener surfaceListener = {OnXdgConfigure};
        static const xdg_toplevel_listener toplevelListener = {OnToplevelConfigure, OnToplevelClose, nullptr,
                                                               nullptr};
        xdgSurface_.reset(xdg_wm_base_get_xdg_surface(globals.shell, surface_.get()));
        xdg_surface_add_listener(xdgSurface_.get(), &surfaceListener, this);
        toplevel_.reset(xdg_surface_get_toplevel(xdgSurface_.get()));
        xdg_toplevel_add_listener(toplevel_.get(), &toplevelListener, this);
        xdg_toplevel_set_title(toplevel_.get(), "Lumora");
        xdg_toplevel_set_app_id(toplevel_.get(), "lumora");
        if (kind == CoverKind::Fullscreen) xdg_toplevel_set_fullscreen(toplevel_.get(), output);
    }
    // The first commit has no buffer: it asks for the size to draw at.
    wl_surface_commit(surface_.get());
}

PixelView Cover::Picture() const {
    if (back_ >= 0) return buffers_.Pixels(back_);
    return PixelView{nullptr, pixelsWide_, pixelsHigh_, pixelsWide_};
}

void Cover::SetScale(int scale) {
    if (kind_ == CoverKind::Window || scale < 1 || scale == scale_) return;
    scale_ = scale;
    scaleSent_ = false;
    if (Configured()) Resize(width_, height_);
}

void Cover::Resize(int width, int height) {
    if (firstWidth_ == 0) {
        firstWidth_ = width;
        firstHeight_ = height;
    }
    const int pixelsWide = width * scale_;
    const int pixelsHigh = height * scale_;
    const bool same = configured_ && pixelsWide == pixelsWide_ && pixelsHigh == pixelsHigh_;
    width_ = width;
    height_ = height;
    if (same) return;
    pixelsWide_ = pixelsWide;
    pixelsHigh_ = pixelsHigh;
    // New buffers are black: the shower's first frame there draws them whole.
    configured_ = buffers_.Reset(globals_.shm, pixelsWide, pixelsHigh);
    back_ = -1;
    shown_ = -1;
    if (!configured_) return;
    history_.Reset(pixelsWide, pixelsHigh);
    ReadyToDraw();
    owner_.OnResized(*this);
}

void Cover::Blacken(int buffer) {
    const PixelView picture = buffers_.Pixels(buffer);
    std::memset(picture.bits, 0, static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(picture.height) * 4);
}

void Cover::CommitConfigure() {
    // The size acked is committed at once, even with nothing new to show.
    if (Configured() && !history_.Pending()) history_.AddWhole();
    Draw();
}

void Cover::Restart() {
    if (!configured_) return;
    history_.AddWhole();
    blackDue_ = back_ < 0;
    if (back_ >= 0) {
        Blacken(back_);
    }
}

bool Cover::ReadyToDraw(int most) {
    if (back_ >= 0) return true;
    if (!configured_) return false;
    const int next = buffers_.Free(most);
    if (next < 0) return false;
    buffers_.Claim(next);
    if (blackDue_) {
        Blacken(next);
        blackDue_ = false;
    } else if (shown_ >= 0) {
        // It catches up from the buffer shown last, which it may read however
        // long the compositor holds it.
        const PixelView from = buffers_.Pixels(shown_);
        const PixelView into = buffers_.Pixels(next);
        for (const Rect& box : history_.ToCopy(next)) {
            const std::size_t bytes = static_cast<std::size_t>(box.right - box.left) * 4;
            for (int y = box.top; y < box.bottom; ++y) {
                const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * into.stride + box.left;
                std::memcpy(into.bits + at, from.bits + at, bytes);
            }
        }
    }
    back_ = next;
    owner_.OnMoved(*this);
    return true;
}

void Cover::Draw() {
    if (back_ < 0 || frame_ != nullptr || closed_ || !history_.Pending()) return;
    wl_surface* surface = surface_.get();
    if (!scaleSent_ && globals_.compositorVersion >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) {
        wl_surface_set_buffer_scale(surface, scale_);
        scaleSent_ = true;
    }
    buffers_.Attach(surface, back_);
    const bool inBuffer = globals_.compositorVersion >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION;
    for (const Rect& box : history_.ToDamage()) {
        if (inBuffer) {
            wl_surface_damage_buffer(surface, box.left, box.top, box.right - box.left, box.bottom - box.top);
        } else {
            const int left = box.left / scale_;
            const int top = box.top / scale_;
            wl_surface_damage(surface, left, top, (box.right + scale_ - 1) / scale_ - left,
                              (box.bottom + scale_ - 1) / scale_ - top);
        }
    }
    static const wl_callback_listener listener = {OnFrameDone};
    frame_.reset(wl_surface_frame(surface));
    wl_callback_add_listener(frame_.get(), &listener, this);
    frameAskedAt_ = globals_.clock.TickCount();
    wl_surface_commit(surface);
    if (rate_ != nullptr) rate_->Shown();
    history_.Shown(back_);
    // The compositor lets go of the buffer shown before this one once it has
    // taken this one, a moment from now: the next step, not this, finds one.
    shown_ = back_;
    back_ = -1;
}

bool Cover::Asleep(std::uint32_t now) const {
    return !Configured() || closed_ ||
           (frame_ != nullptr && static_cast<std::int32_t>(now - frameAskedAt_) > kAsleepAfterMs);
}

void Cover::OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                             std::uint32_t height) {
    auto* self = static_cast<Cover*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    // Anchored to every edge, it is given the output's size; should a
    // compositor leave it to us, the output's is taken.
    self->Resize(width > 0 ? static_cast<int>(width) : self->hintWidth_,
                 height > 0 ? static_cast<int>(height) : self->hintHeight_);
    self->CommitConfigure();
}

void Cover::OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
    auto* self = static_cast<Cover*>(data);
    self->closed_ = true;
    self->owner_.OnClosed(*self);
}

void Cover::OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
    auto* self = static_cast<Cover*>(data);
    self->pendingWidth_ = width;
    self->pendingHeight_ = height;
}

void Cover::OnXdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto* self = static_cast<Cover*>(data);
    xdg_surface_ack_configure(surface, serial);
    // A size of 0 leaves it to us: the output's, or the window's own when it has none yet.
    const int width = self->pendingWidth_ > 0 ? self->pendingWidth_ : self->width_ > 0 ? self->width_ : self->hintWidth_;
    const int height =
        self->pendingHeight_ > 0 ? self->pendingHeight_ : self->height_ > 0 ? self->height_ : self->hintHeight_;
    self->Resize(width, height);
    self->CommitConfigure();
}

void Cover::OnToplevelClose(void* data, xdg_toplevel*) {
    auto* self = static_cast<Cover*>(data);
    self->owner_.OnClosed(*self);
}

void Cover::OnFrameDone(void* data, wl_callback*, std::uint32_t) {
    auto* self = static_cast<Cover*>(data);
    self->frame_.reset();
    self->Draw();
}

} // namespace lumora::wayland
