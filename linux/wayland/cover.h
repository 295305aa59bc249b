// One surface of the shower: a layer over an output, a fullscreen window on it
// (a compositor without the layer shell), or a window of its own (-window).
// The shower draws straight into the buffer to be shown next (no picture of
// our own: a screen's worth less memory), which is committed from the
// compositor's frame callbacks: an output that is off or covered calls back
// never, and costs nothing. Before the next step draws, another buffer the
// compositor has let go of catches up on what it missed and is drawn in.
#pragma once

#include <cstdint>

#include "display/frame_rate.h"
#include "display/shower.h"
#include "linux/wayland/buffer_history.h"
#include "linux/wayland/buffers.h"
#include "linux/wayland/protocol.h"
#include "platform/clock.h"

namespace lumora::wayland {

enum class CoverKind { Layer, Fullscreen, Window };

// What every cover uses of the connection.
struct Globals {
    platform::Clock& clock;
    wl_compositor* compositor = nullptr;
    std::uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layers = nullptr;
    xdg_wm_base* shell = nullptr;
};

class Cover;

class CoverOwner {
public:
    virtual ~CoverOwner() = default;
    // Its size in pixels changed: the shower is laid out again.
    virtual void OnResized(Cover& cover) = 0;
    // Its picture moved to another buffer (Picture()), holding the same.
    virtual void OnMoved(Cover& cover) = 0;
    // The compositor took the layer away, or the window's close was asked for.
    virtual void OnClosed(Cover& cover) = 0;
};

class Cover {
public:
    // `output` is the output covered (none for a window of its own), whose
    // logical size is `width` x `height` at `scale` pixels a point.
    Cover(const Globals& globals, CoverKind kind, wl_output* output, int width, int height, int scale,
          CoverOwner& owner);
    Cover(const Cover&) = delete;
    Cover& operator=(const Cover&) = delete;

    CoverKind Kind() const { return kind_; }
    wl_surface* Surface() const { return surface_.get(); }
    // It has been given a size, and has its buffers.
    bool Configured() const { return configured_; }
    bool Closed() const { return closed_; }
    // Its picture, in pixels: the shower's field, in the buffer to be shown
    // next; without bits while it has none (see ReadyToDraw).
    PixelView Picture() const;
    // Its first size given, in points (what decides whether a window is a preview).
    int FirstWidth() const { return firstWidth_; }
    int FirstHeight() const { return firstHeight_; }
    // The output's scale changed.
    void SetScale(int scale);

    // Its field of the shower starts again: the picture goes black, and every
    // buffer catches up on all of it.
    void Restart();
    // A box of its picture that the shower changed.
    void Changed(const Rect& box) { history_.Add(box); }
    // Shows what changed, if the compositor is ready for a frame.
    void Draw();
    // Has a buffer for the next step to draw in, one the compositor does not
    // hold: one it has let go of, else a new one while fewer than `most` are
    // in use. False while it holds them all.
    bool ReadyToDraw(int most = 2);
    // No frame has been called back for a while: the output is off or covered.
    bool Asleep(std::uint32_t now) const;
    // Each frame it commits from now on is counted there (none: not counted).
    void CountFramesIn(FrameRate* rate) { rate_ = rate; }

private:
    static void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                                 std::uint32_t height);
    static void OnLayerClosed(void* data, zwlr_layer_surface_v1* layer);
    static void OnXdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial);
    static void OnToplevelConfigure(void* data, xdg_toplevel* toplevel, std::int32_t width, std::int32_t height,
                                    wl_array* states);
    static void OnToplevelClose(void* data, xdg_toplevel* toplevel);
    static void OnFrameDone(void* data, wl_callback* callback, std::uint32_t time);
    void Resize(int width, int height);
    void Blacken(int buffer);
    // Answers an acked configure with a commit.
    void CommitConfigure();

    const Globals& globals_;
    const CoverKind kind_;
    CoverOwner& owner_;
    int scale_;
    int width_ = 0; // in points, as configured
    int height_ = 0;
    int pixelsWide_ = 0; // its buffers' size
    int pixelsHigh_ = 0;
    int hintWidth_; // the output's size, for a configure that leaves it to us
    int hintHeight_;
    int firstWidth_ = 0;
    int firstHeight_ = 0;
    int pendingWidth_ = 0; // a toplevel's size, until its surface's configure
    int pendingHeight_ = 0;
    bool closed_ = false;
    bool scaleSent_ = false;
    std::uint32_t frameAskedAt_ = 0;
    bool configured_ = false;
    bool blackDue_ = false; // the next buffer drawn in starts black
    int back_ = -1;  // the buffer drawn in, never one the compositor holds; -1 for none yet
    int shown_ = -1; // the buffer shown last
    BufferHistory history_;
    FrameRate* rate_ = nullptr;
    // Destroyed in reverse: the frame callback, the role, then the surface,
    // whose buffers go last (the protocol wants a role gone before its surface).
    ShmBuffers buffers_;
    OwnedSurface surface_;
    OwnedLayerSurface layer_;
    OwnedXdgSurface xdgSurface_;
    OwnedToplevel toplevel_;
    OwnedCallback frame_;
};

} // namespace lumora::wayland
