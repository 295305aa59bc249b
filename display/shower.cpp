#include "display/shower.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lumora {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;

int Nearest(double value) { return static_cast<int>(std::nearbyint(value)); }

void Put(const PixelView& view, int x, int y, std::uint32_t pixel) {
    if (x >= 0 && y >= 0 && x < view.width && y < view.height)
        view.bits[static_cast<std::ptrdiff_t>(y) * view.stride + x] = pixel;
}

// A coordinate belongs to the pixel whose square holds its single-precision
// value: its floor. Erasing and drawing both come through Plot, so an erase
// removes exactly the pixels that the draw set, and no pixel off the surface is
// ever written.
struct Target {
    explicit Target(const PixelView& pixels)
        : view(pixels),
          right(static_cast<float>(pixels.width - 1)),
          bottom(static_cast<float>(pixels.height - 1)) {}
    PixelView view;
    float right;  // a plus whose centre is left of this and of `bottom`, and at
    float bottom; // least 1 from the top left, lies wholly on the surface
};

// A plus at or over the border, or far out: each pixel on its own.
[[gnu::noinline]] void PlotAtBorder(const PixelView& view, float x, float y, std::uint32_t arm,
                                    std::uint32_t core) {
    // Far out (or not a number): nothing of it can touch the surface, and its
    // coordinates may not even fit an int.
    if (view.bits == nullptr || !(x >= -2.0f && y >= -2.0f && x < static_cast<float>(view.width) + 2.0f &&
                                  y < static_cast<float>(view.height) + 2.0f))
        return;
    const int px = static_cast<int>(std::floor(x));
    const int py = static_cast<int>(std::floor(y));
    Put(view, px, py, core);
    Put(view, px + 1, py, arm);
    Put(view, px, py + 1, arm);
    Put(view, px, py - 1, arm);
    Put(view, px - 1, py, arm);
}

inline void Plot(const Target& target, double x, double y, std::uint32_t arm, std::uint32_t core) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    if (fx >= 1.0f && fy >= 1.0f && fx < target.right && fy < target.bottom) {
        // Positive here, so truncation is the floor.
        const std::ptrdiff_t stride = target.view.stride;
        std::uint32_t* centre = target.view.bits + static_cast<std::ptrdiff_t>(fy) * stride +
                                static_cast<std::ptrdiff_t>(fx);
        centre[0] = core;
        centre[1] = arm;
        centre[stride] = arm;
        centre[-stride] = arm;
        centre[-1] = arm;
    } else {
        PlotAtBorder(target.view, fx, fy, arm, core);
    }
}

} // namespace

Shower::Shower(RandomSource& random, int starsPerField)
    : random_(random), starsPerField_(starsPerField > 0 ? starsPerField : 0) {}

void Shower::Seed(const std::function<std::uint32_t()>& milliseconds) {
    random_.Seed(static_cast<std::int32_t>(milliseconds()));
    for (int rounds = Nearest(10.0 * static_cast<double>(random_.Next()) + 1.0); rounds != 0; --rounds)
        random_.Seed(static_cast<std::int32_t>(milliseconds()));
}

void Shower::LayOut(const PixelView& surface, const std::vector<Rect>& fields, int firstField) {
    firstField_ = firstField;
    fields_.clear();
    areas_.clear();
    for (const Rect& given : fields) {
        const int width = given.right - given.left;
        const int height = given.bottom - given.top;
        // Its part of the surface, cut to what the surface holds.
        const int left = std::clamp(given.left, 0, surface.width);
        const int top = std::clamp(given.top, 0, surface.height);
        const int right = std::clamp(left + width, left, surface.width);
        const int bottom = std::clamp(top + height, top, surface.height);
        PixelView pixels;
        if (surface.bits != nullptr && right > left && bottom > top)
            pixels = PixelView{surface.bits + static_cast<std::ptrdiff_t>(top) * surface.stride + left, right - left,
                               bottom - top, surface.stride};
        AddField(pixels, {left, top, right, bottom}, width, height);
    }
    // A surface with no monitor at all still has a field, so that every frame
    // has one to draw (nothing, on no pixels).
    if (fields_.empty()) fields_.resize(1);
}

void Shower::LayOutApart(const std::vector<PixelView>& surfaces) {
    firstField_ = 0;
    fields_.clear();
    areas_.clear();
    int left = 0;
    for (const PixelView& surface : surfaces) {
        // A surface whose pixels are not to hand yet (bits null) is drawn in once MoveField gives them.
        AddField(surface, {left, 0, left + surface.width, surface.height}, surface.width, surface.height);
        left += surface.width;
    }
    if (fields_.empty()) fields_.resize(1);
}

void Shower::MoveField(std::size_t field, const PixelView& pixels) {
    if (field >= fields_.size()) return;
    PixelView& at = fields_[field].pixels;
    if (pixels.width == at.width && pixels.height == at.height) at = pixels;
}

void Shower::AddField(const PixelView& pixels, const Rect& place, int width, int height) {
    StarField field;
    field.width = width;
    field.height = height;
    field.place = place;
    field.pixels = pixels;
    field.stars.assign(static_cast<std::size_t>(starsPerField_), Star{});
    field.radiantX = field.width / 2;
    field.radiantY = field.height / 2;
    areas_.push_back(field.place);
    fields_.push_back(std::move(field));
}

void Shower::Frame(std::vector<Rect>* changed) {
    for (StarField& field : fields_) {
        if (field.building) {
            ScatterStars(field);
            field.building = false;
            if (changed != nullptr) changed->push_back(field.place);
        } else {
            MoveStars(field, changed);
        }
    }
}

void Shower::JumpRadiant(double secondsSinceMidnight) {
    // The time of day as a single-precision number, fractions and all.
    random_.Seed(static_cast<double>(static_cast<float>(secondsSinceMidnight)));
    for (int skipped = 0; skipped < firstField_; ++skipped) {
        random_.Next();
        random_.Next();
    }
    for (StarField& field : fields_) {
        const int mx = Nearest(field.width) / 5;
        const int my = Nearest(field.height) / 5;
        field.radiantX = std::floor(mx + (field.width - 2.0 * mx + 1) * static_cast<double>(random_.Next()));
        field.radiantY = std::floor(my + (field.height - 2.0 * my + 1) * static_cast<double>(random_.Next()));
    }
}

void Shower::PlaceStars(std::vector<Star> stars) {
    fields_.front().stars = std::move(stars);
    fields_.front().building = false;
}

void Shower::PlotStar(double x, double y, std::int32_t arm, std::int32_t core) {
    Plot(Target(fields_.front().pixels), x, y, ColorToPixel(arm), ColorToPixel(core));
}

std::int32_t Shower::RandomColor(double scale, double offset) {
    const int red = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int green = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int blue = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    return MakeColor(red, green, blue);
}

void Shower::ScatterStars(StarField& field) {
    const float width = static_cast<float>(field.width);
    const float height = static_cast<float>(field.height);
    const double radiantX = field.radiantX;
    const double radiantY = field.radiantY;
    const Target target(field.pixels);
    for (Star& star : field.stars) {
        // The point is drawn in single precision, as the surface's scale is.
        const double px = static_cast<double>(random_.Next() * width);
        const double py = static_cast<double>(random_.Next() * height);
        const double rx = px - radiantX;
        const double ry = py - radiantY;
        const double sy = ry < 0 ? -1.0 : 1.0;
        const double sx = rx < 0 ? -1.0 : 1.0;
        double ax = std::fabs(rx);
        double ay = std::fabs(ry);
        if (ax == 0) ax = 1;
        if (ay == 0) ay = 1;
        star.dx = sx * ax / ay;
        star.dy = sy * ay / ax;
        star.color = RandomColor(128, 128);
        star.x = radiantX + sx * ax;
        star.y = radiantY + sy * ay;
        Plot(target, star.x, star.y, ColorToPixel(star.color), ColorToPixel(kWhite));
    }
}

void Shower::MoveStars(StarField& field, std::vector<Rect>* changed) {
    const float right = static_cast<float>(field.width + 5);
    const float bottom = static_cast<float>(field.height + 5);
    const double radiantX = field.radiantX;
    const double radiantY = field.radiantY;
    const std::uint32_t white = ColorToPixel(kWhite);
    // A local copy: pixel stores could otherwise alias the view's own fields,
    // and the compiler would read them again after every pixel.
    const Target target(field.pixels);
    // The box of a plus centred at (x, y), in the surface's pixels.
    const auto box = [&field](double x, double y) {
        const int px = field.place.left + static_cast<int>(std::floor(static_cast<float>(x)));
        const int py = field.place.top + static_cast<int>(std::floor(static_cast<float>(y)));
        return Rect{px - 1, py - 1, px + 2, py + 2};
    };
    for (Star& star : field.stars) {
        Plot(target, star.x, star.y, 0, 0);
        const Rect erased = changed != nullptr ? box(star.x, star.y) : Rect{};
        star.x += star.dx;
        star.y += star.dy;
        if (static_cast<float>(star.y) > bottom || static_cast<float>(star.x) > right ||
            star.x < -5 || star.y < -5) {
            star.x = radiantX;
            star.y = radiantY;
            star.color = RandomColor(256, 0);
        }
        Plot(target, star.x, star.y, ColorToPixel(star.color), white);
        if (changed != nullptr) {
            const Rect drawn = box(star.x, star.y);
            // A short step: one box holds both; a long one: two boxes.
            if (drawn.left <= erased.right && erased.left <= drawn.right && drawn.top <= erased.bottom &&
                erased.top <= drawn.bottom) {
                changed->push_back({std::min(erased.left, drawn.left), std::min(erased.top, drawn.top),
                                    std::max(erased.right, drawn.right), std::max(erased.bottom, drawn.bottom)});
            } else {
                changed->push_back(erased);
                changed->push_back(drawn);
            }
        }
    }
}

} // namespace lumora
