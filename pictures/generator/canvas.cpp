#include "canvas.h"

#include <cmath>

namespace lumora::pictures {

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator*(Colour a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Colour Mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }

Colour FromRgb(Rgb c) { return FromBytes(c.r, c.g, c.b); }

Colour FromBytes(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

namespace {

std::uint8_t Channel(double v) {
    return static_cast<std::uint8_t>(Round(Clamp(v, 0, 1) * 255));
}

} // namespace

Rgb ToRgb(Colour c) { return {Channel(c.r), Channel(c.g), Channel(c.b)}; }

int Round(double x) { return static_cast<int>(std::floor(x + 0.5)); }

double Clamp(double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); }

double SmoothStep(double edge0, double edge1, double x) {
    const double t = Clamp((x - edge0) / (edge1 - edge0), 0, 1);
    return t * t * (3 - 2 * t);
}

double Sin(double x) {
    // Into [-pi, pi], then [-pi/2, pi/2], where the series needs few terms.
    x -= 2 * kPi * std::floor(x / (2 * kPi) + 0.5);
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 11; ++n) {
        term *= -x2 / ((2.0 * n) * (2.0 * n + 1));
        sum += term;
    }
    return sum;
}

double Cos(double x) { return Sin(x + kPi / 2); }

namespace {

// |x| <= 1 only.
double AtanSmall(double x) {
    // Two halvings of the angle bring |x| under tan(pi/16), about 0.2.
    for (int i = 0; i < 2; ++i) x = x / (1 + std::sqrt(1 + x * x));
    const double x2 = x * x;
    double power = x;
    double sum = x;
    for (int n = 1; n <= 15; ++n) {
        power *= -x2;
        sum += power / (2.0 * n + 1);
    }
    return 4 * sum;
}

double Atan(double x) {
    if (x > 1) return kPi / 2 - AtanSmall(1 / x);
    if (x < -1) return -kPi / 2 - AtanSmall(1 / x);
    return AtanSmall(x);
}

} // namespace

double Atan2(double y, double x) {
    if (x > 0) return Atan(y / x);
    if (x < 0) return y >= 0 ? Atan(y / x) + kPi : Atan(y / x) - kPi;
    if (y > 0) return kPi / 2;
    if (y < 0) return -kPi / 2;
    return 0;
}

double Asin(double x) {
    x = Clamp(x, -1, 1);
    return Atan2(x, std::sqrt(1 - x * x));
}

double Radians(double degrees) { return degrees * kPi / 180; }

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

std::vector<Sample> Supersample(int width, int height, int n,
                                const std::function<Sample(double x, double y)>& shade) {
    std::vector<Sample> out;
    out.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const double step = 1.0 / n;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            Colour sum;
            double alpha = 0;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const Sample s = shade(px + (i + 0.5) * step, py + (j + 0.5) * step);
                    sum = sum + s.colour * s.alpha;
                    alpha += s.alpha;
                }
            }
            Sample pixel;
            if (alpha > 0) pixel.colour = sum * (1 / alpha);
            pixel.alpha = alpha / (n * n);
            out.push_back(pixel);
        }
    }
    return out;
}

Image Flatten(const std::vector<Sample>& samples, int width, int height, Colour background) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Sample& s = samples[static_cast<std::size_t>(y * width + x)];
            image.Set(x, y, ToRgb(Mix(background, s.colour, s.alpha)));
        }
    }
    return image;
}

std::uint64_t Prng::Next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double Prng::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

double Prng::Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

int Prng::Below(int n) {
    return static_cast<int>(Next() % static_cast<std::uint64_t>(n));
}

double Hash01(std::int64_t x, std::int64_t y, std::uint64_t seed) {
    Prng prng(seed ^ (static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ULL) ^
              (static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4FULL));
    return prng.Uniform();
}

double ValueNoise(double x, double y, std::int64_t period, std::uint64_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    const auto wrap = [period](std::int64_t v) { return ((v % period) + period) % period; };
    const double tx = SmoothStep(0, 1, x - fx);
    const double ty = SmoothStep(0, 1, y - fy);
    const double a = Hash01(wrap(ix), iy, seed);
    const double b = Hash01(wrap(ix + 1), iy, seed);
    const double c = Hash01(wrap(ix), iy + 1, seed);
    const double d = Hash01(wrap(ix + 1), iy + 1, seed);
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
}

} // namespace lumora::pictures
