// The run's shower in an X window: one field for each monitor the window
// covers, laid out again when the window's size or the monitors change, a
// step's changes copied from shared memory. A window too small to be a screen (the
// settings program's preview) shows the shower of a screen, scaled down.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/frame_rate.h"
#include "display/shower.h"
#include "linux/changed_region.h"
#include "linux/setup.h"
#include "linux/x11/surface.h"

namespace lumora::x11 {

using linux_desktop::PreviewSized;

class ShowerView {
public:
    // Selects the window's events it needs, and `moreEvents` for the caller.
    ShowerView(Display* display, Window window, Shower& shower, long moreEvents = 0);
    ShowerView(const ShowerView&) = delete;
    ShowerView& operator=(const ShowerView&) = delete;

    // Copies what the shower's step changed (the boxes it listed) to the window;
    // with `rate`, its text drawn over the first field and the frame counted.
    void Present(const std::vector<Rect>& changed, FrameRate* rate = nullptr);
    // Takes a resize, a monitor change or an expose of the window; other events are left alone.
    void Handle(const XEvent& event);
    bool Preview() const { return PreviewSized(width_, height_); }
    // The window could not be read: it is not there (any more).
    bool Gone() const { return gone_; }
    // What the window's visual is when lumora cannot draw on it; "" when it can.
    const std::string& Unsupported() const { return unsupported_; }

private:
    void LayOut();
    // Where the window's monitor stands among the screen's (the daemon gives
    // each monitor a window and a program of its own); 0 for any other window.
    int PlaceAmongMonitors() const;
    // The scaled shower's changed boxes, shrunk into the window's image.
    void ShrinkChanged(const std::vector<Rect>& changed);

    // The daemon's window (or the one given) keeps, for the program after
    // this one, the backing store it had: a window attribute is the
    // window's, where an event selection is this connection's and goes with it.
    class BackingStoreLoan {
    public:
        BackingStoreLoan(Display* display, Window window);
        ~BackingStoreLoan();
        BackingStoreLoan(const BackingStoreLoan&) = delete;
        BackingStoreLoan& operator=(const BackingStoreLoan&) = delete;

    private:
        Display* display_;
        Window window_;
        std::optional<int> given_; // what it had, when it was changed
    };

    Display* display_;
    Window window_;
    BackingStoreLoan backingStore_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    int width_ = 0;
    int height_ = 0;
    int randrEvents_ = -1; // the first RandR event code, -1 without RandR
    bool gone_ = false;
    std::string unsupported_;
    OwnedGc gc_;
    Shower& shower_;
    std::unique_ptr<SurfaceImage> image_;
    linux_desktop::BandedRegion region_;
    // Reused every frame: a frame allocates nothing.
    std::vector<XRectangle> clip_;
    std::vector<Rect> whole_; // the window
    std::vector<Rect> monitors_; // the fields, as last laid out
    // A preview's shower is drawn at `scale_` times the window's size here.
    int scale_ = 1;
    std::vector<std::uint32_t> scaledPixels_;
    PixelView scaled_;
    std::vector<Rect> shrunk_;
    std::vector<Rect> withRate_; // the changed boxes and the frame rate's
};

} // namespace lumora::x11
