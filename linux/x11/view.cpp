#include "linux/x11/view.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace lumora::x11 {
namespace {

// The brightest of each colour over a block: a star smaller than the block
// still shows, as a dot of its own colour.
std::uint32_t BrightestOf(const PixelView& from, int left, int top, int size) {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    for (int y = top; y < top + size; ++y) {
        const std::uint32_t* row = from.bits + static_cast<std::ptrdiff_t>(y) * from.stride;
        for (int x = left; x < left + size; ++x) {
            const std::uint32_t pixel = row[x];
            red = std::max(red, pixel & 0xff0000u);
            green = std::max(green, pixel & 0x00ff00u);
            blue = std::max(blue, pixel & 0x0000ffu);
        }
    }
    return red | green | blue;
}

} // namespace

ShowerView::BackingStoreLoan::BackingStoreLoan(Display* display, Window window) : display_(display), window_(window) {
    // The daemon asks the server to keep its windows' contents: every frame
    // would then be drawn into that copy, its changes gathered and copied to
    // the screen again, four times the server's work of drawing straight onto
    // the screen. The whole picture is in our image, and an expose repaints it.
    XWindowAttributes had{};
    if (window == DefaultRootWindow(display) || !XGetWindowAttributes(display, window, &had) ||
        had.backing_store == NotUseful)
        return;
    given_ = had.backing_store;
    XSetWindowAttributes straight{};
    straight.backing_store = NotUseful;
    XChangeWindowAttributes(display, window, CWBackingStore, &straight);
}

ShowerView::BackingStoreLoan::~BackingStoreLoan() {
    if (!given_) return;
    // A window gone meanwhile fails quietly (see the error handler).
    XSetWindowAttributes back{};
    back.backing_store = *given_;
    XChangeWindowAttributes(display_, window_, CWBackingStore, &back);
    XSync(display_, False);
}

ShowerView::ShowerView(Display* display, Window window, Shower& shower, long moreEvents)
    : display_(display),
      window_(window),
      backingStore_(display, window),
      gc_(nullptr, GcFreer{display}),
      shower_(shower) {
    XSelectInput(display, window, StructureNotifyMask | ExposureMask | moreEvents);
    // A monitor set, moved or taken away reaches a client as a change of the
    // root's configuration (its size may stay), with or without RandR's own event.
    if (window != DefaultRootWindow(display)) XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
    int errors = 0;
    int major = 0;
    int minor = 0;
    // The server tells of monitor changes only to clients that gave their version.
    if (XRRQueryExtension(display, &randrEvents_, &errors) && XRRQueryVersion(display, &major, &minor)) {
        XRRSelectInput(display, DefaultRootWindow(display),
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    } else {
        randrEvents_ = -1;
    }
    clip_.reserve(2 * Shower::kDefaultStars * 4);
    shrunk_.reserve(clip_.capacity());
    LayOut();
}

void ShowerView::LayOut() {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes)) {
        gone_ = true;
        image_.reset();
        return;
    }
    if (!DrawsOn(attributes.visual, attributes.depth, unsupported_)) {
        image_.reset();
        return;
    }
    if (gc_ == nullptr) gc_.reset(XCreateGC(display_, window_, 0, nullptr));
    width_ = attributes.width;
    height_ = attributes.height;
    image_ = std::make_unique<SurfaceImage>(display_, attributes.visual, attributes.depth, width_, height_);
    region_.Reset(width_, height_);
    whole_ = {Rect{0, 0, width_, height_}};
    const PixelView pixels = image_->Pixels();
    scale_ = 1;
    if (Preview() && pixels.bits != nullptr) {
        // The size of the primary monitor, in whole multiples of the window.
        const Window root = DefaultRootWindow(display_);
        const Rect screen = MonitorsOf(display_, root, DisplayWidth(display_, DefaultScreen(display_)),
                                       DisplayHeight(display_, DefaultScreen(display_)))
                                .front();
        scale_ = std::max(1, std::min((screen.right - screen.left) / width_, (screen.bottom - screen.top) / height_));
    }
    if (scale_ > 1) {
        scaledPixels_.assign(static_cast<std::size_t>(width_ * scale_) * static_cast<std::size_t>(height_ * scale_), 0);
        scaled_ = PixelView{scaledPixels_.data(), width_ * scale_, height_ * scale_, width_ * scale_};
        shower_.LayOut(scaled_, {Rect{0, 0, scaled_.width, scaled_.height}});
    } else {
        scaledPixels_ = {};
        scaled_ = {};
        monitors_ = MonitorsOf(display_, window_, width_, height_);
        shower_.LayOut(pixels, monitors_, PlaceAmongMonitors());
    }
}

int ShowerView::PlaceAmongMonitors() const {
    const Window root = DefaultRootWindow(display_);
    if (window_ == root) return 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(display_, window_, root, 0, 0, &x, &y, &child);
    const std::vector<Rect> all = MonitorsOf(display_, root, DisplayWidth(display_, DefaultScreen(display_)),
                                             DisplayHeight(display_, DefaultScreen(display_)));
    const auto mine = std::find(all.begin(), all.end(), Rect{x, y, x + width_, y + height_});
    return mine == all.end() ? 0 : static_cast<int>(mine - all.begin());
}

void ShowerView::ShrinkChanged(const std::vector<Rect>& changed) {
    shrunk_.clear();
    const PixelView into = image_->Pixels();
    for (const Rect& box : changed) {
        const Rect at{std::max(box.left, 0) / scale_, std::max(box.top, 0) / scale_,
                      std::min((box.right + scale_ - 1) / scale_, width_),
                      std::min((box.bottom + scale_ - 1) / scale_, height_)};
        if (at.right <= at.left || at.bottom <= at.top) continue;
        for (int y = at.top; y < at.bottom; ++y) {
            std::uint32_t* row = into.bits + static_cast<std::ptrdiff_t>(y) * into.stride;
            for (int x = at.left; x < at.right; ++x) row[x] = BrightestOf(scaled_, x * scale_, y * scale_, scale_);
        }
        shrunk_.push_back(at);
    }
}

void ShowerView::Present(const std::vector<Rect>& changed, FrameRate* rate) {
    if (image_ == nullptr) return;
    const std::vector<Rect>* shown = &changed;
    if (scale_ > 1) {
        ShrinkChanged(changed);
        shown = &shrunk_;
    }
    if (rate != nullptr) {
        // Over the stars of this step, at the window's own pixels even in a preview.
        const Rect field = scale_ > 1 || monitors_.empty() ? whole_.front() : monitors_.front();
        withRate_.assign(shown->begin(), shown->end());
        withRate_.push_back(rate->Draw(image_->Pixels(), field));
        shown = &withRate_;
    }
    image_->ShowChanged(window_, gc_.get(), scale_ > 1 ? whole_ : shower_.Areas(), region_.Build(*shown), clip_);
    XFlush(display_);
    if (rate != nullptr) rate->Shown();
}

void ShowerView::Handle(const XEvent& event) {
    const Window root = DefaultRootWindow(display_);
    if (event.type == ConfigureNotify && event.xconfigure.window == window_ &&
        (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
        LayOut();
    } else if (event.type == Expose && event.xexpose.window == window_ && event.xexpose.count == 0) {
        if (image_ != nullptr) image_->Show(window_, gc_.get(), whole_);
    } else if ((event.type == ConfigureNotify && event.xconfigure.window == root) ||
               (randrEvents_ >= 0 && event.type >= randrEvents_ && event.type <= randrEvents_ + RRNotify)) {
        XEvent copy = event;
        XRRUpdateConfiguration(&copy);
        // Every field starts again on its own, but only when the monitors moved.
        if (scale_ == 1 && MonitorsOf(display_, window_, width_, height_) != monitors_) LayOut();
    }
}

} // namespace lumora::x11
