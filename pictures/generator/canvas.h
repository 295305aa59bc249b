// The drawing ground every picture is made on: colours, images, a seeded
// random generator and the few functions of angles the pictures need.
//
// The committed pictures are compared byte for byte with a fresh run, so
// nothing here may depend on the C library of the machine: the angle functions
// are our own series, built from + - * / and sqrt alone, which IEEE 754 rounds
// the same way everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lumora::pictures {

inline constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// A colour while it is being computed: 0..1 per channel, not yet clamped.
struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

Colour operator+(Colour a, Colour b);
Colour operator*(Colour a, double k);
Colour Mix(Colour a, Colour b, double t); // t = 0 gives a, 1 gives b
Colour FromRgb(Rgb c);
Colour FromBytes(int r, int g, int b);
Rgb ToRgb(Colour c); // clamps, rounds half up

// Rounds half up; the pictures never meet numbers that overflow an int.
int Round(double x);
double Clamp(double x, double lo, double hi);
// 0 below edge0, 1 above edge1, a smooth S between.
double SmoothStep(double edge0, double edge1, double x);

double Sin(double x);
double Cos(double x);
double Atan2(double y, double x);
double Asin(double x); // x is clamped to [-1, 1]
double Radians(double degrees);

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgb fill = {});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb At(int x, int y) const { return pixels_[Index(x, y)]; }
    void Set(int x, int y, Rgb c) { pixels_[Index(x, y)] = c; }

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
};

// A colour with how much of the pixel it covers, for shapes that end inside a
// pixel and for the transparency of icons.
struct Sample {
    Colour colour;
    double alpha = 0; // 0 = nothing drawn here
};

// Averages shade(x, y) over an n x n grid inside every pixel of a width x
// height picture; (x, y) are in pixel units, (0, 0) the top left corner of the
// top left pixel. The colour of the result is weighted by alpha, so a shape's
// edge keeps its own colour and only loses coverage.
std::vector<Sample> Supersample(int width, int height, int n,
                                const std::function<Sample(double x, double y)>& shade);

// Puts supersampled samples over a solid background.
Image Flatten(const std::vector<Sample>& samples, int width, int height, Colour background);

// SplitMix64: tiny, and the same seed gives the same numbers on every machine.
class Prng {
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    double Uniform();                    // [0, 1), 53 bits
    double Uniform(double lo, double hi); // [lo, hi)
    int Below(int n);                    // [0, n)

private:
    std::uint64_t state_;
};

// A repeatable hash of a lattice point to [0, 1), for value noise.
double Hash01(std::int64_t x, std::int64_t y, std::uint64_t seed);
// Smooth value noise on a unit lattice, 0..1; the lattice wraps every `period`
// cells across x so maps around the globe have no seam.
double ValueNoise(double x, double y, std::int64_t period, std::uint64_t seed);

} // namespace lumora::pictures
