#include "linux/wayland/saver.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "linux/gstreamer_music.h"

namespace lumora::wayland {
namespace {

// The versions whose requests and events we use; a compositor offering more is
// spoken to at these, one offering less at its own.
constexpr std::uint32_t kCompositorVersion = 4; // damage_buffer
constexpr std::uint32_t kShmVersion = 1;
constexpr std::uint32_t kOutputVersion = 3; // scale, done, release
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kXdgShellVersion = 2;
// How long the start waits for the compositor to give every surface its size;
// a surface still waiting then joins the shower when it is given one.
constexpr int kFirstConfigureWaitMs = 1000;
// How often a layer the compositor keeps closing is made again.
constexpr int kMostRemakes = 3;

SessionRules RulesFor(CoverKind kind) {
    SessionRules rules = linux_desktop::HackRules();
    // Over the screens, the mouse ends it as on Windows; a window of its own
    // lets the mouse pass over it.
    rules.mouseMoveEnds = kind != CoverKind::Window;
    return rules;
}

} // namespace

WaylandSaver::WaylandSaver(wl_display* display, const linux_desktop::HackSetup& setup)
    : display_(display), setup_(setup), keys_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)), globals_{clock_},
      registry_(wl_display_get_registry(display)) {
    static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
    wl_registry_add_listener(registry_.get(), &listener, this);
}

void WaylandSaver::OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                            std::uint32_t version) {
    auto* self = static_cast<WaylandSaver*>(data);
    const std::string_view kind(interface);
    if (kind == wl_compositor_interface.name && self->compositor_ == nullptr) {
        self->compositor_.reset(Bind<wl_compositor>(registry, name, wl_compositor_interface, version, kCompositorVersion));
        self->globals_.compositor = self->compositor_.get();
        self->globals_.compositorVersion = std::min(version, kCompositorVersion);
    } else if (kind == wl_shm_interface.name && self->shm_ == nullptr) {
        self->shm_.reset(Bind<wl_shm>(registry, name, wl_shm_interface, version, kShmVersion));
        self->globals_.shm = self->shm_.get();
    } else if (kind == zwlr_layer_shell_v1_interface.name && self->layerShell_ == nullptr) {
        self->layerShell_.reset(
            Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, kLayerShellVersion));
        self->globals_.layers = self->layerShell_.get();
    } else if (kind == xdg_wm_base_interface.name && self->xdgShell_ == nullptr) {
        static const xdg_wm_base_listener shellListener = {OnPing};
        self->xdgShell_.reset(Bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, kXdgShellVersion));
        xdg_wm_base_add_listener(self->xdgShell_.get(), &shellListener, self);
        self->globals_.shell = self->xdgShell_.get();
    } else if (kind == wl_seat_interface.name) {
        self->seats_.push_back(std::make_unique<Seat>(registry, name, version, self->keys_.get(), static_cast<InputSink&>(*self)));
    } else if (kind == wl_output_interface.name) {
        static const wl_output_listener outputListener = {OnGeometry, OnMode, OnOutputDone, OnScale, nullptr, nullptr};
        auto output = std::make_unique<Output>();
        output->name = name;
        output->output.reset(Bind<wl_output>(registry, name, wl_output_interface, version, kOutputVersion));
        wl_output_add_listener(output->output.get(), &outputListener, output.get());
        // Until its first `done` (a version-1 output sends none) it waits for the start's roundtrip.
        output->announced = version < WL_OUTPUT_DONE_SINCE_VERSION;
        wl_output_set_user_data(output->output.get(), output.get());
        self->outputs_.push_back(std::move(output));
    }
}

void WaylandSaver::OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<WaylandSaver*>(data);
    auto& outputs = self->outputs_;
    const auto gone = std::find_if(outputs.begin(), outputs.end(), [name](const auto& o) { return o->name == name; });
    if (gone != outputs.end()) {
        // Its surface goes with it, and the others' fields are laid out again.
        outputs.erase(gone);
        self->layoutDue_ = true;
        return;
    }
    auto& seats = self->seats_;
    seats.erase(std::remove_if(seats.begin(), seats.end(), [name](const auto& s) { return s->Name() == name; }),
                seats.end());
}

void WaylandSaver::OnPing(void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); }

void WaylandSaver::OnGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                              std::int32_t, const char*, const char*, std::int32_t) {
    auto* output = static_cast<Output*>(data);
    output->left = x;
    output->top = y;
}

void WaylandSaver::OnMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                          std::int32_t) {
    auto* output = static_cast<Output*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    output->pixelsWide = width;
    output->pixelsHigh = height;
}

void WaylandSaver::OnScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->scale = std::max(factor, 1);
}

void WaylandSaver::OnOutputDone(void* data, wl_output*) {
    auto* output = static_cast<Output*>(data);
    output->announced = true;
    if (output->cover != nullptr) output->cover->SetScale(output->scale);
}

void WaylandSaver::CoverOutput(Output& output) {
    output.cover = std::make_unique<Cover>(globals_, kind_, output.output.get(), output.pixelsWide / output.scale,
                                           output.pixelsHigh / output.scale, output.scale,
                                           static_cast<CoverOwner&>(*this));
}

void WaylandSaver::OnResized(Cover&) { layoutDue_ = true; }

void WaylandSaver::OnMoved(Cover& cover) {
    const auto at = std::find(laidOut_.begin(), laidOut_.end(), &cover);
    if (at == laidOut_.end() || !run_) return;
    const auto field = static_cast<std::size_t>(at - laidOut_.begin());
    run_->Stars().MoveField(field, cover.Picture());
}

void WaylandSaver::OnClosed(Cover& cover) {
    // A window's close, or the last of our layers gone for good, ends the run
    // as a key would; a layer closed (its output going, say) is made again.
    if (cover.Kind() != CoverKind::Layer) {
        if (run_) run_->Session().Quit();
        return;
    }
    remakeDue_ = true;
}

void WaylandSaver::RemakeClosed() {
    remakeDue_ = false;
    for (auto& output : outputs_) {
        if (output->cover == nullptr || !output->cover->Closed()) continue;
        output->cover.reset();
        layoutDue_ = true;
        if (output->remade++ < kMostRemakes) CoverOutput(*output);
    }
}

void WaylandSaver::LayOut() {
    layoutDue_ = false;
    laidOut_.clear();
    offsets_.clear();
    // Outputs come in the compositor's order; new ones at the end.
    std::vector<PixelView> pictures; // made only when the outputs change
    int left = 0;
    auto add = [&](Cover* cover) {
        if (cover == nullptr || !cover->Configured()) return;
        // Every field starts again, as when the monitors change on X11 and Windows.
        cover->Restart();
        laidOut_.push_back(cover);
        pictures.push_back(cover->Picture());
        offsets_.push_back(left);
        left += cover->Picture().width;
    };
    add(window_.get());
    for (auto& output : outputs_) add(output->cover.get());
    if (run_) run_->Stars().LayOutApart(pictures);
    for (Cover* cover : laidOut_) cover->CountFramesIn(rate_ && cover == laidOut_.front() ? &*rate_ : nullptr);
}

void WaylandSaver::Present() {
    const std::vector<Rect>& changed = run_->Changed();
    for (std::size_t index = 0; index < laidOut_.size(); ++index) {
        Cover& cover = *laidOut_[index];
        const int left = offsets_[index];
        const PixelView picture = cover.Picture();
        const int right = left + picture.width;
        const int bottom = picture.height;
        for (const Rect& box : changed) {
            // A star's box may stick out of its field into the next one's place.
            if (box.right <= left || box.left >= right || box.bottom <= 0 || box.top >= bottom) continue;
            cover.Changed({std::max(box.left, left) - left, std::max(box.top, 0), std::min(box.right, right) - left,
                           std::min(box.bottom, bottom)});
        }
        if (rate_ && index == 0) cover.Changed(rate_->Draw(picture, {0, 0, picture.width, picture.height}));
        cover.Draw();
    }
    Flush();
}

bool WaylandSaver::Showing() const {
    const std::uint32_t now = clock_.TickCount();
    return std::any_of(laidOut_.begin(), laidOut_.end(), [now](const Cover* cover) { return !cover->Asleep(now); });
}

bool WaylandSaver::ReadyToStep() {
    // Two buffers a surface, one shown and one drawn in, while the compositor
    // lets go of the one shown before the next step (sway takes a buffer's
    // pixels at its commit, mostly); a third for a surface it held back from
    // a step for a whole period, which it then keeps.
    const std::uint32_t now = clock_.TickCount();
    const bool waitedLong = waitingSince_ && now - *waitingSince_ >= Shower::kFrameIntervalMs;
    bool ready = true;
    for (Cover* cover : laidOut_) ready = cover->ReadyToDraw(waitedLong ? ShmBuffers::kCount : 2) && ready;
    if (ready)
        waitingSince_.reset();
    else if (!waitingSince_)
        waitingSince_ = now;
    return ready;
}

void WaylandSaver::OnKey(Key key) {
    if (run_) run_->Session().OnKey(key);
}

void WaylandSaver::OnButton() {
    if (run_ && CoversScreens()) run_->Session().OnClick();
}

void WaylandSaver::OnPointerAt(wl_surface* surface, double x, double y) {
    if (!run_ || !CoversScreens()) return;
    // Across outputs the place is the compositor's, so that a move from one
    // surface to the next is a move, not a jump back to its own corner.
    for (auto& output : outputs_) {
        if (output->cover != nullptr && output->cover->Surface() == surface) {
            run_->Session().OnMouseMove(static_cast<float>(output->left + x), static_cast<float>(output->top + y));
            return;
        }
    }
}

void WaylandSaver::Flush() {
    if (!lost_ && wl_display_flush(display_) < 0 && errno != EAGAIN) Lose();
}

void WaylandSaver::Lose() {
    if (lost_) return;
    lost_ = true;
    const int error = wl_display_get_error(display_);
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    if (error == EPROTO) {
        const std::uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        std::fprintf(stderr, "lumora: the Wayland compositor ended the connection: error %u on %s\n", code,
                     interface != nullptr ? interface->name : "an object");
    } else {
        std::fprintf(stderr, "lumora: the Wayland compositor went away (%s)\n",
                     std::strerror(error != 0 ? error : EPIPE));
    }
    if (run_) run_->Session().Quit();
}

bool WaylandSaver::Dispatch() {
    if (lost_) return false;
    // What has come is read without waiting: the loop polls the connection.
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) {
            Lose();
            return false;
        }
    }
    pollfd connection{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&connection, 1, 0) > 0 && (connection.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        if (wl_display_read_events(display_) < 0) {
            Lose();
            return false;
        }
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_pending(display_) < 0) {
        Lose();
        return false;
    }
    return true;
}

void WaylandSaver::HandleEvents() {
    if (!Dispatch()) return;
    if (remakeDue_) RemakeClosed();
    if (CoversScreens()) {
        for (auto& output : outputs_)
            if (output->announced && output->cover == nullptr && output->remade == 0) CoverOutput(*output);
    }
    if (layoutDue_) LayOut();
    Flush();
}

int WaylandSaver::Run(linux_desktop::EndingSignals& signals) {
    // The globals, then what the outputs and seats tell of themselves.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        Lose();
        return 1;
    }
    if (compositor_ == nullptr || shm_ == nullptr) {
        std::fprintf(stderr, "lumora: the Wayland compositor offers no %s\n",
                     compositor_ == nullptr ? "wl_compositor" : "wl_shm");
        return 1;
    }
    if (setup_.target == HackTarget::OwnWindow) {
        kind_ = CoverKind::Window;
    } else if (layerShell_ != nullptr) {
        kind_ = CoverKind::Layer;
    } else {
        kind_ = CoverKind::Fullscreen;
    }
    if (xdgShell_ == nullptr && kind_ != CoverKind::Layer) {
        std::fprintf(stderr, "lumora: the Wayland compositor offers neither the layer shell (zwlr_layer_shell_v1) "
                             "nor windows (xdg_wm_base): nothing to draw on\n");
        return 1;
    }
    for (auto& output : outputs_) output->announced = true;
    if (kind_ == CoverKind::Window) {
        // -geometry's size (0 by 0 for none); its place is the compositor's to choose.
        window_ = std::make_unique<Cover>(globals_, kind_, nullptr, setup_.geometry.width, setup_.geometry.height, 1,
                                          static_cast<CoverOwner&>(*this));
    } else {
        HandleEvents();
    }

    // The first sizes, so that the first frame on every screen is drawn at once.
    const std::uint32_t started = clock_.TickCount();
    auto waiting = [this] {
        if (window_ != nullptr) return !window_->Configured();
        return std::any_of(outputs_.begin(), outputs_.end(),
                           [](const auto& o) { return o->cover != nullptr && !o->cover->Configured() && !o->cover->Closed(); });
    };
    while (!lost_ && waiting()) {
        const int left = kFirstConfigureWaitMs - static_cast<int>(clock_.TickCount() - started);
        if (left <= 0) break;
        Flush();
        pollfd connection{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&connection, 1, left) > 0) HandleEvents();
    }
    if (lost_) return 1;

    Settings settings = setup_.settings;
    // A window too small to be a screen is a preview: it plays no music.
    if (window_ != nullptr && (!window_->Configured() || linux_desktop::PreviewSized(window_->FirstWidth(),
                                                                                    window_->FirstHeight())))
        settings.music = MusicKind::NoMusic;
    run_.emplace(SessionSeams(clock_), host_, linux_desktop::HacksPlayer(settings, setup_.cdDevice),
                 musicResults_.Waker(), settings, RulesFor(kind_), true);
    if (setup_.fps) rate_.emplace(linux_desktop::SteadyMicroseconds);
    LayOut();
    run_->Start();
    linux_desktop::RunLoop(*run_, *this, signals, musicResults_, rate_ ? &*rate_ : nullptr);
    return lost_ ? 1 : 0;
}

std::optional<int> RunOnWayland(const linux_desktop::HackSetup& setup, linux_desktop::EndingSignals& signals) {
    const Connection connection(wl_display_connect(nullptr));
    if (connection == nullptr) return std::nullopt;
    WaylandSaver saver(connection.get(), setup);
    return saver.Run(signals);
}

} // namespace lumora::wayland
