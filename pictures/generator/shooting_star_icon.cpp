// The program icon: a five-pointed star flying up to the right with a
// rainbow tail behind it. The shapes are signed distances in units of the icon
// size, so one description serves 16, 32 and 48 pixels; only the outline is
// measured in pixels, because a dark rim of at least one pixel is what keeps
// the icon readable on any desktop colour.

#include <array>
#include <cmath>
#include <vector>

#include "pictures.h"

namespace lumora::pictures {
namespace {

struct Point {
    double x = 0;
    double y = 0;
};

Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
double Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
double Length(Point a) { return std::sqrt(Dot(a, a)); }

double SegmentDistance(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double t = Clamp(Dot(p - a, ab) / Dot(ab, ab), 0, 1);
    return Length(p - Point{a.x + ab.x * t, a.y + ab.y * t});
}

// Negative inside, positive outside, the distance to the nearest edge.
template <std::size_t N>
double PolygonDistance(Point p, const std::array<Point, N>& polygon) {
    double nearest = 1e9;
    bool inside = false;
    for (std::size_t i = 0, j = N - 1; i < N; j = i++) {
        const Point a = polygon[i];
        const Point b = polygon[j];
        nearest = std::fmin(nearest, SegmentDistance(p, a, b));
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside ? -nearest : nearest;
}

const Point kStarCentre = {0.655, 0.345};
const Point kTailEnd = {0.05, 0.95};

std::array<Point, 10> StarPolygon() {
    std::array<Point, 10> star{};
    // Turned a little into the direction of flight, so it does not stand
    // stiffly upright at the head of a slanting tail.
    const double turn = Radians(14);
    for (std::size_t i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? 0.335 : 0.15;
        const double angle = turn + static_cast<double>(i) * kPi / 5;
        star[i] = {kStarCentre.x + radius * Sin(angle), kStarCentre.y - radius * Cos(angle)};
    }
    return star;
}

// Red at the outer edge of the tail through to violet at the inner one.
Colour Rainbow(double t) {
    static const std::array<Colour, 6> bands = {FromBytes(255, 70, 90),  FromBytes(255, 160, 40),
                                                FromBytes(255, 235, 60), FromBytes(90, 220, 90),
                                                FromBytes(60, 170, 255), FromBytes(170, 100, 255)};
    const double position = Clamp(t, 0, 1) * (bands.size() - 1);
    const auto index = static_cast<std::size_t>(position);
    if (index + 1 >= bands.size()) return bands.back();
    return Mix(bands[index], bands[index + 1], position - static_cast<double>(index));
}

std::vector<Sample> DrawAt(int size) {
    const std::array<Point, 10> star = StarPolygon();
    const Point axis = kTailEnd - kStarCentre;
    const double tailLength = Length(axis);
    const Point along = {axis.x / tailLength, axis.y / tailLength};
    const Point across = {-along.y, along.x};
    const double halfWidth = 0.16; // at the star; the tail narrows to a point
    const std::array<Point, 3> tail = {
        Point{kStarCentre.x + across.x * halfWidth, kStarCentre.y + across.y * halfWidth},
        Point{kStarCentre.x - across.x * halfWidth, kStarCentre.y - across.y * halfWidth}, kTailEnd};
    const double outline = (1.0 + (size - 16) / 48.0) / size;

    const Colour rim = FromBytes(28, 24, 70);
    const Colour starCore = FromBytes(255, 255, 225);
    const Colour starEdge = FromBytes(255, 196, 20);

    // What one point of the icon shows; alpha 0 where the desktop shows.
    const auto shade = [&](double px, double py) {
        const Point p = {px / size, py / size};
        const double starDistance = PolygonDistance(p, star);
        const double tailDistance = PolygonDistance(p, tail);
        Sample s;
        if (starDistance < 0) {
            const double fromCentre = Length(p - kStarCentre) / 0.335;
            s.colour = Mix(starCore, starEdge, SmoothStep(0.05, 0.75, fromCentre));
            s.alpha = 1;
        } else if (tailDistance < 0) {
            const Point q = p - kStarCentre;
            const double s01 = Clamp(Dot(q, along) / tailLength, 0, 1);
            const double width = halfWidth * (1 - s01);
            const double sideways = width > 0 ? Dot(q, across) / width : 0;
            Colour c = Rainbow(0.5 - 0.5 * sideways);
            // Hot and white close to the star, cooling and darkening away from it.
            c = Mix(c, starCore, 0.55 * SmoothStep(0.35, 0.0, s01));
            s.colour = c * (1 - 0.35 * s01);
            s.alpha = 1;
        } else if (std::fmin(starDistance, tailDistance) < outline) {
            s.colour = rim;
            s.alpha = 0.5; // marks the rim; it is told apart from the fill below
        }
        return s;
    };

    // Each pixel is either fill, rim or desktop, whichever covers most of it:
    // averaging rim into fill would give muddy olive edges, and the mask has
    // no half measures anyway.
    constexpr int kGrid = 6;
    std::vector<Sample> out;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour fill;
            int fillCount = 0;
            int rimCount = 0;
            for (int j = 0; j < kGrid; ++j) {
                for (int i = 0; i < kGrid; ++i) {
                    const Sample s = shade(x + (i + 0.5) / kGrid, y + (j + 0.5) / kGrid);
                    if (s.alpha == 1) {
                        fill = fill + s.colour;
                        ++fillCount;
                    } else if (s.alpha > 0) {
                        ++rimCount;
                    }
                }
            }
            Sample pixel;
            if (2 * (fillCount + rimCount) >= kGrid * kGrid) {
                pixel.alpha = 1;
                pixel.colour = 2 * fillCount >= rimCount + fillCount ? fill * (1.0 / fillCount) : rim;
            }
            out.push_back(pixel);
        }
    }
    return out;
}

} // namespace

std::vector<IndexedImage> DrawShootingStarIcon() {
    std::vector<IndexedImage> images;
    for (int size : {16, 32, 48}) images.push_back(Palettize(DrawAt(size), size, size));
    return images;
}

} // namespace lumora::pictures
