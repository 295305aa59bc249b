// The hack on Wayland: a surface over every output (the layer shell's overlay,
// else a fullscreen window on each), or a window of its own (-window); the
// outputs followed as they come and go; the seats' input; one run of the
// shower, a field for each surface, and one player for them all.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <optional>
#include <vector>

#include "display/saver_run.h"
#include "linux/fd.h"
#include "linux/loop.h"
#include "linux/setup.h"
#include "linux/wayland/cover.h"
#include "linux/wayland/protocol.h"
#include "linux/wayland/seat.h"

namespace lumora::wayland {

class WaylandSaver final : private linux_desktop::LoopDisplay, private CoverOwner, private InputSink {
public:
    explicit WaylandSaver(wl_display* display, const linux_desktop::HackSetup& setup);
    WaylandSaver(const WaylandSaver&) = delete;
    WaylandSaver& operator=(const WaylandSaver&) = delete;

    // Covers the screens and draws until SIGTERM or SIGINT, input, or the
    // compositor's end; the process's exit code.
    int Run(linux_desktop::EndingSignals& signals);

private:
    struct Output {
        std::uint32_t name = 0;
        OwnedOutput output;
        int scale = 1;
        int pixelsWide = 0; // its current mode
        int pixelsHigh = 0;
        int left = 0; // its place among the outputs, in points
        int top = 0;
        bool announced = false; // its first `done` has come
        int remade = 0;         // layers made again after the compositor closed them
        std::unique_ptr<Cover> cover;
    };

    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void OnGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
    static void OnPing(void* data, xdg_wm_base* shell, std::uint32_t serial);
    static void OnGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                           std::int32_t, const char*, const char*, std::int32_t);
    static void OnMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                       std::int32_t);
    static void OnOutputDone(void* data, wl_output*);
    static void OnScale(void* data, wl_output*, std::int32_t factor);

    // LoopDisplay
    int ConnectionFd() const override { return wl_display_get_fd(display_); }
    void HandleEvents() override;
    void Present() override;
    bool Showing() const override;
    bool ReadyToStep() override;
    // CoverOwner
    void OnResized(Cover& cover) override;
    void OnMoved(Cover& cover) override;
    void OnClosed(Cover& cover) override;
    // InputSink
    void OnKey(Key key) override;
    void OnButton() override;
    void OnPointerAt(wl_surface* surface, double x, double y) override;

    // Where the screens are covered, not a window of its own.
    bool CoversScreens() const { return kind_ != CoverKind::Window; }
    void CoverOutput(Output& output);
    void LayOut();
    // Makes again the layers the compositor closed on outputs still there.
    void RemakeClosed();
    void Flush();
    // The connection is gone: told once, and the run ends.
    void Lose();
    bool Dispatch();

    wl_display* const display_;
    const linux_desktop::HackSetup setup_;
    mutable linux_desktop::SystemClock clock_; // Showing() reads the time
    linux_desktop::LoopHost host_;
    linux_desktop::Wakeup musicResults_;
    OwnedXkbContext keys_;
    Globals globals_;
    CoverKind kind_ = CoverKind::Layer;
    bool lost_ = false;
    bool layoutDue_ = false;
    std::optional<std::uint32_t> waitingSince_; // a step waits for a buffer
    bool remakeDue_ = false;
    // The globals first, destroyed last: every object below was made through them.
    OwnedRegistry registry_;
    OwnedCompositor compositor_;
    OwnedShm shm_;
    OwnedLayerShell layerShell_;
    OwnedXdgBase xdgShell_;
    std::vector<std::unique_ptr<Seat>> seats_;
    std::optional<FrameRate> rate_; // -fps's, on the first surface laid out; outlives them
    std::vector<std::unique_ptr<Output>> outputs_;
    std::unique_ptr<Cover> window_; // -window's
    // Made once the surfaces have their sizes (a small window plays no music),
    // and ended before them.
    std::optional<SaverRun> run_;
    std::vector<Cover*> laidOut_; // the covers in the shower's order
    std::vector<int> offsets_;    // each one's left in the shower's row of fields
};

// Connects to $WAYLAND_DISPLAY and runs the hack there; the process's exit
// code, or nothing when there is no compositor to connect to.
std::optional<int> RunOnWayland(const linux_desktop::HackSetup& setup, linux_desktop::EndingSignals& signals);

} // namespace lumora::wayland
