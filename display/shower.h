// The shower of shooting stars: a thousand plus-shaped stars flying out of a
// radiant that jumps every few seconds, one shower for each monitor, drawn into
// a surface in memory. It knows nothing of windows, input, music or processes:
// whoever hosts it lays it out, calls a frame at its interval and shows what
// the frame changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "display/random.h"
#include "platform/geometry.h"

namespace lumora {

struct Star {
    double x = 0;
    double y = 0;
    std::int32_t color = 0; // red in the lowest byte, then green, then blue
    double dx = 0;          // the step of one frame
    double dy = 0;
};

// A surface's pixels in memory: rows top-down, 0x00RRGGBB each, stride in
// pixels. A surface with no pixels has no bits.
struct PixelView {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// The shower of one monitor: its part of the surface and its own stars and radiant.
struct StarField {
    Rect place;       // within the surface, in pixels
    PixelView pixels; // that part of the surface
    int width = 0;    // the size the field is laid out for, in pixels
    int height = 0;
    std::vector<Star> stars;
    double radiantX = 0; // within the field
    double radiantY = 0;
    bool building = true; // the next frame scatters the stars
};

class Shower {
public:
    static constexpr int kDefaultStars = 1000;
    // A frame every 10 ms: the stars' speed is so many steps a second.
    static constexpr int kFrameIntervalMs = 10;
    // The radiant jumps every five seconds.
    static constexpr int kJumpIntervalMs = 5000;

    explicit Shower(RandomSource& random, int starsPerField = kDefaultStars);

    // Seeds the generator from a millisecond clock, and again a random number of
    // times more: two starts in the same millisecond still differ.
    void Seed(const std::function<std::uint32_t()>& milliseconds);
    // Lays the shower out on a surface: a field for each rectangle (one a
    // monitor, the primary first), in the surface's pixels, whose size is the
    // size the field is laid out for; what lies outside the surface is never
    // drawn. Every field starts again with its building frame. A shower that
    // covers only some monitors, each shown by a program of its own, gives the
    // place of its first field among all the monitors: its radiants are then
    // those one shower over every monitor would draw there, not the same on each.
    void LayOut(const PixelView& surface, const std::vector<Rect>& fields, int firstField = 0);
    // Lays the shower out on surfaces of their own (a monitor's each), a field
    // on each: the boxes a frame lists are then as if the surfaces stood side
    // by side in a row, the first at the left, all at the top.
    void LayOutApart(const std::vector<PixelView>& surfaces);
    // A field's picture is now at `pixels`, a copy of the same size: it goes
    // on from where it was (a host that draws each frame into another buffer;
    // a field laid out apart without bits gets them so).
    void MoveField(std::size_t field, const PixelView& pixels);
    // One frame of every field: the first scatters its stars, every later one
    // moves them a step. With `changed`, the parts of the surface the frame
    // wrote are added to it (a whole field for its building frame, a small box
    // round each star otherwise), for a host that copies only those.
    void Frame(std::vector<Rect>* changed = nullptr);
    // Every field's radiant jumps somewhere within the middle of the field,
    // drawn from the time of day (seconds since midnight).
    void JumpRadiant(double secondsSinceMidnight);

    // The parts of the surface a frame draws in.
    const std::vector<Rect>& Areas() const { return areas_; }
    const std::vector<StarField>& Fields() const { return fields_; }

    // A deliberate test seam: puts the first field's stars where a test wants
    // them, as if its building frame had already run.
    void PlaceStars(std::vector<Star> stars);
    // Draws one plus onto the first field.
    void PlotStar(double x, double y, std::int32_t arm, std::int32_t core);

private:
    void AddField(const PixelView& pixels, const Rect& place, int width, int height);
    std::int32_t RandomColor(double scale, double offset);
    void ScatterStars(StarField& field);
    void MoveStars(StarField& field, std::vector<Rect>* changed);

    RandomSource& random_;
    const int starsPerField_;
    std::vector<StarField> fields_ = std::vector<StarField>(1);
    std::vector<Rect> areas_; // the fields' places
    int firstField_ = 0;      // the first field's place among all the monitors
};

} // namespace lumora
