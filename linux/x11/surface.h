// The X11 side of the shower: the connection, the window drawn in (one given by
// the screen-saver daemon, the root, or a window of our own), and the surface
// in shared memory whose changed parts are copied to the window after a frame.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/shm.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "display/shower.h"
#include "platform/geometry.h"

namespace lumora::x11 {


struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using Connection = std::unique_ptr<Display, DisplayCloser>;

struct GcFreer {
    Display* display = nullptr;
    void operator()(GC gc) const { XFreeGC(display, gc); }
};
using OwnedGc = std::unique_ptr<std::remove_pointer_t<GC>, GcFreer>;

// An image of the window's size, in shared memory when the server offers it,
// else in our own memory; its pixels are the shower's surface.
class SurfaceImage {
public:
    SurfaceImage(Display* display, Visual* visual, int depth, int width, int height);
    ~SurfaceImage();
    SurfaceImage(const SurfaceImage&) = delete;
    SurfaceImage& operator=(const SurfaceImage&) = delete;

    PixelView Pixels() const;
    // Copies these parts of the image to the window, clipped to them in one request.
    void Show(Drawable target, GC gc, const std::vector<Rect>& areas) const;
    // Copies only the changed parts of these areas: one request each, the
    // changes given to the server as the GC's clip, a banded region (see
    // BandedRegion) that the server takes without sorting.
    void ShowChanged(Drawable target, GC gc, const std::vector<Rect>& areas, const std::vector<Rect>& region,
                     std::vector<XRectangle>& clip) const;

private:
    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shared_ = false;
    std::vector<char> own_; // the pixels when not shared
};

// The monitors the window covers, in the window's coordinates, the primary
// first; one rectangle for the whole window when it lies on none (a preview).
std::vector<Rect> MonitorsOf(Display* display, Window window, int width, int height);

} // namespace lumora::x11
