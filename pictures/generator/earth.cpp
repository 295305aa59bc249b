// The turning Earth and its Moon, one frame of a loop of kEarthFrames.
//
// Seen from space with north up, the Earth turns west to east, so the face
// towards us slides from left to right, 15 degrees of longitude a frame. The
// Moon goes round the same way: left to right in front of the Earth, right to
// left behind it, once a loop. Both motions are whole turns over the loop, so
// the last frame runs on into the first.

#include <array>
#include <cmath>
#include <cstddef>

#include "earth_map.h"
#include "pictures.h"

namespace lumora::pictures {
namespace {

struct Vec {
    double x = 0;
    double y = 0;
    double z = 0;
};

double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Normalised(Vec v) {
    const double length = std::sqrt(Dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

constexpr int kWidth = 180;
constexpr int kHeight = 85;
constexpr double kCentreX = kWidth / 2.0;
constexpr double kCentreY = kHeight / 2.0;
constexpr double kRadius = 34;
constexpr double kMoonRadius = 6;
constexpr double kMoonDistance = 72; // pixels, centre to centre
// The orbit is seen a little from above: in front the Moon passes low across
// the globe, behind it passes high and is hidden.
constexpr double kOrbitElevationDegrees = 13;
constexpr double kOrbitRollDegrees = -4;
// The longitude facing us in frame 0: Africa and Europe.
constexpr double kFirstLongitude = 20;
constexpr double kDegreesPerFrame = 360.0 / kEarthFrames;

// View space: x to the right, y up, z towards the viewer.
struct Frame {
    Vec north; // the axis, tilted 23.4 degrees to the upper right and a little towards us
    Vec east;  // east at longitude 0 of the body frame, on the equator
    Vec out;   // out of the globe at that point
    Vec sun;   // towards the Sun, from the left and a little in front
    Vec halfway;
    double centralLongitude = 0;
    double moonX = 0;
    double moonY = 0;
    double moonRadius = 0;
    bool moonInFront = false;
};

Frame MakeFrame(int frame) {
    const int step = ((frame % kEarthFrames) + kEarthFrames) % kEarthFrames;
    Frame f;
    const double tilt = Radians(23.4);
    const double towardsUs = Radians(8);
    f.north = {Sin(tilt) * Cos(towardsUs), Cos(tilt) * Cos(towardsUs), Sin(towardsUs)};
    f.east = {Cos(tilt), -Sin(tilt), 0};
    f.out = Cross(f.east, f.north);
    f.sun = Normalised({-0.92, 0.10, 0.36});
    f.halfway = Normalised({f.sun.x, f.sun.y, f.sun.z + 1});
    f.centralLongitude = kFirstLongitude - kDegreesPerFrame * step;

    const double angle = Radians(-70) + 2 * kPi * step / kEarthFrames;
    const double across = kMoonDistance * Sin(angle);
    const double depth = kMoonDistance * Cos(angle); // > 0: between us and the Earth
    const double down = depth * Sin(Radians(kOrbitElevationDegrees));
    const double roll = Radians(kOrbitRollDegrees);
    f.moonX = kCentreX + across * Cos(roll) - down * Sin(roll);
    f.moonY = kCentreY + across * Sin(roll) + down * Cos(roll);
    // A touch of perspective: nearer is a little larger.
    f.moonRadius = kMoonRadius * (1 + 0.06 * depth / kMoonDistance);
    f.moonInFront = depth > 0;
    return f;
}

Colour Earth(const Frame& f, Vec n) {
    const EarthMap& map = TheEarthMap();
    const double lat = Asin(Dot(n, f.north)) * 180 / kPi;
    const double lon = f.centralLongitude + Atan2(Dot(n, f.east), Dot(n, f.out)) * 180 / kPi;
    const Colour albedo = map.Albedo(lon, lat);

    const double light = Dot(n, f.sun);
    // The terminator is a band, not a line: sunset takes a few degrees.
    const double day = SmoothStep(-0.12, 0.16, light);
    const double diffuse = day * (0.22 + 0.88 * Clamp(light, 0, 1));
    // The night side keeps a little of its colour, cooled, so the globe
    // stays round there instead of ending in the black of space.
    const Colour night = {albedo.r * 0.10, albedo.g * 0.12, albedo.b * 0.20};
    Colour c = Mix(night, albedo * diffuse, day);

    // The Sun's glint on the sea.
    const double s = Clamp(Dot(n, f.halfway), 0, 1);
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double s8 = s4 * s4;
    const double s64 = s8 * s8 * s8 * s8 * s8 * s8 * s8 * s8;
    const double glint = 0.20 * s64 * map.Water(lon, lat) * day;
    c = c + Colour{glint, glint, glint * 0.95};

    // Air seen edgewise near the rim: blue haze, lit where the day is.
    const double rim = (1 - n.z) * (1 - n.z);
    const Colour haze = Colour{0.45, 0.65, 1.0} * (0.08 + 0.8 * day);
    return Mix(c, haze, 0.55 * rim);
}

// The glow of the atmosphere just outside the rim, brightest towards the Sun.
Sample Glow(const Frame& f, double dx, double dy, double r) {
    Sample s;
    constexpr double kThickness = 0.10;
    if (r >= 1 + kThickness) return s;
    const double fade = 1 - (r - 1) / kThickness;
    const double sunXY = std::sqrt(f.sun.x * f.sun.x + f.sun.y * f.sun.y);
    const double facing = (dx * f.sun.x + dy * f.sun.y) / (r * sunXY);
    s.colour = {0.40, 0.62, 1.0};
    s.alpha = 0.6 * fade * fade * Clamp(0.2 + 0.8 * facing, 0, 1);
    return s;
}

Colour Moon(const Frame& f, double mx, double my) {
    const Vec n = {mx, my, std::sqrt(Clamp(1 - mx * mx - my * my, 0, 1))};
    struct Mare {
        double x, y, r;
    };
    // The dark seas of the face we know, roughly where they lie.
    static const std::array<Mare, 6> maria = {Mare{-0.28, 0.38, 0.30}, Mare{0.18, 0.30, 0.24},
                                              Mare{0.05, -0.02, 0.22}, Mare{-0.40, -0.12, 0.22},
                                              Mare{0.40, -0.05, 0.14}, Mare{-0.10, -0.45, 0.12}};
    double dark = 0;
    for (const Mare& m : maria) {
        const double d = std::sqrt((mx - m.x) * (mx - m.x) + (my - m.y) * (my - m.y));
        dark = std::fmax(dark, SmoothStep(m.r, m.r * 0.5, d));
    }
    const Colour albedo = Mix(Colour{0.74, 0.73, 0.70}, Colour{0.44, 0.44, 0.46}, dark);
    const double light = Dot(n, f.sun);
    const double day = SmoothStep(-0.08, 0.12, light);
    return albedo * (0.07 + day * (0.25 + 0.85 * Clamp(light, 0, 1)));
}

// The same sky at every scale: each star one pixel, where its 1x pixel lies.
Image Starfield(int scale) {
    Image sky(kWidth * scale, kHeight * scale, Rgb{0, 0, 0});
    Prng prng(0x5EA0F5A75ULL);
    for (int i = 0; i < 46; ++i) {
        const int x = prng.Below(kWidth);
        const int y = prng.Below(kHeight);
        const double u = prng.Uniform();
        // Mostly faint; one in ten catches the eye.
        const double brightness = i % 10 == 0 ? 0.62 + 0.2 * u : 0.16 + 0.30 * u * u;
        const double warmth = prng.Uniform(-1, 1) * 0.12;
        sky.Set(x * scale, y * scale, ToRgb(Colour{brightness * (1 + warmth), brightness, brightness * (1 - warmth)}));
    }
    return sky;
}

} // namespace

Image DrawEarth(int frame, int scale) {
    const Frame f = MakeFrame(frame);
    const double unit = scale;
    // The shading works in 1x pixels; a larger picture samples it more finely.
    const auto shade = [&f, unit](double px, double py) {
        const double x = px / unit;
        const double y = py / unit;
        const double dx = (x - kCentreX) / kRadius;
        const double dy = (kCentreY - y) / kRadius;
        const double r2 = dx * dx + dy * dy;
        const double mx = (x - f.moonX) / f.moonRadius;
        const double my = (f.moonY - y) / f.moonRadius;
        const bool onMoon = mx * mx + my * my < 1;
        Sample s;
        if (onMoon && f.moonInFront) {
            s.colour = Moon(f, mx, my);
            s.alpha = 1;
        } else if (r2 < 1) {
            s.colour = Earth(f, {dx, dy, std::sqrt(1 - r2)});
            s.alpha = 1;
        } else if (onMoon) {
            s.colour = Moon(f, mx, my);
            s.alpha = 1;
        } else {
            s = Glow(f, dx, dy, std::sqrt(r2));
        }
        return s;
    };
    const int width = kWidth * scale;
    const int height = kHeight * scale;
    const std::vector<Sample> samples = Supersample(width, height, 4, shade);

    // Over the stars, which the Earth and the Moon hide and the glow dims.
    Image image = Starfield(scale);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Sample& s = samples[static_cast<std::size_t>(y * width + x)];
            image.Set(x, y, ToRgb(Mix(FromRgb(image.At(x, y)), s.colour, s.alpha)));
        }
    }
    return image;
}

} // namespace lumora::pictures
