// The X11 side of the shower: the connection, the window drawn in (one given by
// the screen-saver daemon, the root, or a window of our own), and the surface
// in shared memory whose changed parts are copied to the window after a frame.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/shm.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "display/shower.h"
#include "linux/pixel_format.h"
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
// else in our own memory. On a 24- or 32-bit screen its pixels are the
// shower's surface; on any other TrueColor screen the shower draws in a
// picture of its own, whose shown parts are converted into the image first.
class SurfaceImage {
public:
    SurfaceImage(Display* display, Visual* visual, int depth, int width, int height);
    ~SurfaceImage();
    SurfaceImage(const SurfaceImage&) = delete;
    SurfaceImage& operator=(const SurfaceImage&) = delete;

    PixelView Pixels();
    // Copies these parts of the image to the window, clipped to them in one request.
    void Show(Drawable target, GC gc, const std::vector<Rect>& areas);
    // Copies only the changed parts of these areas: one request each, the
    // changes given to the server as the GC's clip, a banded region (see
    // BandedRegion) that the server takes without sorting.
    void ShowChanged(Drawable target, GC gc, const std::vector<Rect>& areas, const std::vector<Rect>& region,
                     std::vector<XRectangle>& clip);

private:
    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shared_ = false;
    std::vector<char> own_; // the pixels when not shared
    std::optional<linux_desktop::PixelConverter> converter_; // for an image not in the shower's layout
    std::vector<std::uint32_t> picture_;                   // the shower's pixels then
    // Converts these parts of the picture into the image.
    void Convert(const std::vector<Rect>& boxes);
    void Put(Drawable target, GC gc, const std::vector<Rect>& areas) const;
};

// Whether lumora can draw on this visual (TrueColor); else what it is, for the user.
bool DrawsOn(const Visual* visual, int depth, std::string& what);

// The monitors the window covers, in the window's coordinates, the primary
// first; one rectangle for the whole window when it lies on none (a preview).
std::vector<Rect> MonitorsOf(Display* display, Window window, int width, int height);

// The fastest refresh of the monitors the window shows on, in thousandths of
// a hertz (none may starve), from their modes' timings; 0 when none tells one
// (a virtual screen's modes may have no timings).
std::uint32_t RefreshOf(Display* display, Window window);

} // namespace lumora::x11
