#include "linux/x11/surface.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/Xrandr.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstdlib>

namespace lumora::x11 {
namespace {

// Attaches the segment, asking the server for its answer: a display on another
// machine refuses shared memory, and then ordinary memory serves.
bool AttachShared(Display* display, XShmSegmentInfo& shm) {
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_shm_seg_t segment = xcb_generate_id(connection);
    shm.shmseg = segment; // the same XID serves Xlib's shared-memory calls
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_shm_attach_checked(connection, segment, static_cast<std::uint32_t>(shm.shmid), 0));
    if (error == nullptr) return true;
    std::free(error);
    return false;
}

struct ResourcesFreer {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct CrtcFreer {
    void operator()(XRRCrtcInfo* crtc) const { XRRFreeCrtcInfo(crtc); }
};

// A mode's refresh in thousandths of a hertz: its pixel clock over its pixels
// a frame, blanking included; 0 for a mode without timings.
std::uint32_t MillihertzOf(const XRRModeInfo& mode) {
    std::uint64_t lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan) lines *= 2;
    std::uint64_t pixels = std::uint64_t{mode.hTotal} * lines;
    // An interlaced mode shows a field, half the lines, each time.
    if (mode.modeFlags & RR_Interlace) pixels /= 2;
    if (pixels == 0) return 0;
    const std::uint64_t millihertz = std::uint64_t{mode.dotClock} * 1000 / pixels;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(millihertz, UINT32_MAX));
}

} // namespace

SurfaceImage::SurfaceImage(Display* display, Visual* visual, int depth, int width, int height)
    : display_(display) {
    if (width <= 0 || height <= 0) return;
    if (XShmQueryExtension(display)) {
        image_ = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm_,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (image_ != nullptr) {
            shm_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(image_->height),
                                IPC_CREAT | 0600);
            if (shm_.shmid >= 0) {
                shm_.shmaddr = image_->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
                shm_.readOnly = False;
                const bool mapped = shm_.shmaddr != reinterpret_cast<char*>(-1);
                shared_ = mapped && AttachShared(display, shm_);
                // Marked for removal at once: it goes when both sides let go,
                // even should this program be killed.
                shmctl(shm_.shmid, IPC_RMID, nullptr);
            }
            if (!shared_) {
                if (shm_.shmaddr != nullptr && shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
            }
        }
    }
    if (image_ == nullptr) {
        image_ = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                              static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (image_ == nullptr) return;
        own_.assign(static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(image_->height), 0);
        image_->data = own_.data();
    }
    std::fill_n(image_->data, static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(image_->height), 0);
    const linux_desktop::PixelLayout layout{static_cast<std::uint32_t>(image_->red_mask),
                                            static_cast<std::uint32_t>(image_->green_mask),
                                            static_cast<std::uint32_t>(image_->blue_mask), image_->bits_per_pixel / 8,
                                            image_->byte_order == MSBFirst};
    if (const linux_desktop::PixelConverter converter(layout); !converter.Native()) {
        converter_.emplace(converter);
        picture_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }
}

void SurfaceImage::Convert(const std::vector<Rect>& boxes) {
    if (!converter_ || image_ == nullptr) return;
    const PixelView picture{picture_.data(), image_->width, image_->height, image_->width};
    for (const Rect& box : boxes)
        converter_->ConvertBox(picture, box, reinterpret_cast<std::uint8_t*>(image_->data), image_->bytes_per_line);
}

bool DrawsOn(const Visual* visual, int depth, std::string& what) {
    static const char* const kClasses[] = {"StaticGray", "GrayScale", "StaticColor",
                                           "PseudoColor", "TrueColor", "DirectColor"};
    const int kind = visual != nullptr ? visual->c_class : -1;
    if (kind == TrueColor) {
        what.clear();
        return true;
    }
    what = std::string(kind >= 0 && kind < 6 ? kClasses[kind] : "unknown") + " visual of " + std::to_string(depth) +
           " bits";
    return false;
}

SurfaceImage::~SurfaceImage() {
    if (image_ == nullptr) return;
    if (shared_) {
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        shmdt(shm_.shmaddr);
    }
    image_->data = nullptr; // ours, not Xlib's to free
    XDestroyImage(image_);
}

PixelView SurfaceImage::Pixels() {
    if (image_ == nullptr) return {};
    if (converter_) return PixelView{picture_.data(), image_->width, image_->height, image_->width};
    // The shower writes 0x00RRGGBB pixels: a 24-bit TrueColor image in 32-bit words.
    return PixelView{reinterpret_cast<std::uint32_t*>(image_->data), image_->width, image_->height,
                     image_->bytes_per_line / 4};
}

void SurfaceImage::Show(Drawable target, GC gc, const std::vector<Rect>& areas) {
    Convert(areas);
    Put(target, gc, areas);
}

void SurfaceImage::Put(Drawable target, GC gc, const std::vector<Rect>& areas) const {
    if (image_ == nullptr) return;
    for (const Rect& area : areas) {
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        if (width <= 0 || height <= 0) continue;
        if (shared_)
            XShmPutImage(display_, target, gc, image_, area.left, area.top, area.left, area.top,
                         static_cast<unsigned>(width), static_cast<unsigned>(height), False);
        else
            XPutImage(display_, target, gc, image_, area.left, area.top, area.left, area.top,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
    }
}

void SurfaceImage::ShowChanged(Drawable target, GC gc, const std::vector<Rect>& areas,
                               const std::vector<Rect>& region, std::vector<XRectangle>& clip) {
    clip.clear();
    // Already within the image, which X keeps within 16 bits.
    for (const Rect& r : region)
        clip.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                  static_cast<unsigned short>(r.right - r.left), static_cast<unsigned short>(r.bottom - r.top)});
    if (clip.empty()) return;
    // Only what changed is converted: the clip shows nothing else.
    Convert(region);
    XSetClipRectangles(display_, gc, 0, 0, clip.data(), static_cast<int>(clip.size()), YXBanded);
    Put(target, gc, areas);
    XSetClipMask(display_, gc, None);
}

std::vector<Rect> MonitorsOf(Display* display, Window window, int width, int height) {
    std::vector<Rect> inside;
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        const Rect place{m.x - x, m.y - y, m.x - x + m.width, m.y - y + m.height};
        // Only monitors the window covers whole are showers of their own.
        if (place.left < 0 || place.top < 0 || place.right > width || place.bottom > height) continue;
        if (m.primary)
            inside.insert(inside.begin(), place);
        else
            inside.push_back(place);
    }
    if (monitors != nullptr) XRRFreeMonitors(monitors);
    if (inside.empty()) inside.push_back(Rect{0, 0, width, height});
    return inside;
}

std::uint32_t RefreshOf(Display* display, Window window) {
    int events = 0;
    int errors = 0;
    XWindowAttributes attributes{};
    if (!XRRQueryExtension(display, &events, &errors) || !XGetWindowAttributes(display, window, &attributes)) return 0;
    const Window root = DefaultRootWindow(display);
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    // What the server knows now: asking it to probe the outputs takes long on real hardware.
    const std::unique_ptr<XRRScreenResources, ResourcesFreer> resources(XRRGetScreenResourcesCurrent(display, root));
    if (resources == nullptr) return 0;
    std::uint32_t fastest = 0;
    for (int c = 0; c < resources->ncrtc; ++c) {
        const std::unique_ptr<XRRCrtcInfo, CrtcFreer> crtc(XRRGetCrtcInfo(display, resources.get(), resources->crtcs[c]));
        if (crtc == nullptr || crtc->mode == None || crtc->x >= x + attributes.width ||
            crtc->x + static_cast<int>(crtc->width) <= x || crtc->y >= y + attributes.height ||
            crtc->y + static_cast<int>(crtc->height) <= y)
            continue;
        for (int m = 0; m < resources->nmode; ++m)
            if (resources->modes[m].id == crtc->mode) fastest = std::max(fastest, MillihertzOf(resources->modes[m]));
    }
    return fastest;
}

} // namespace lumora::x11
