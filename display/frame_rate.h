// The frame rate in a corner of the picture, as XScreenSaver's hacks show it
// with -fps: "FPS:" the frames shown a second and "Load:" the share of the
// time spent other than waiting, white on a black box at the bottom left, new
// about once a second. Drawn into the picture before it is shown, in a small
// font of its own, so that every display server shows the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "display/shower.h"
#include "platform/geometry.h"

namespace lumora {

class FrameRate {
public:
    // The text is made again after at least this long.
    static constexpr std::int64_t kUpdateMicroseconds = 1000000;
    // What it says until a second of frames has been counted.
    static constexpr const char* kFirstText = "FPS: ...";

    // `microseconds`: a steady clock.
    explicit FrameRate(std::function<std::int64_t()> microseconds);

    // A frame has been put on the screen.
    void Shown();
    // The driver slept this long, waiting for what comes next.
    void Waited(std::int64_t microseconds);
    // Its lines, "\n" between them.
    const std::string& Text() const { return text_; }

    // Draws the text at the bottom left of `field` (a part of `picture`) on
    // a black box, in letters sized to the field's height; the box drawn,
    // within the picture (empty for a picture without pixels). The box never
    // narrows, so that it covers whatever was drawn before.
    Rect Draw(const PixelView& picture, const Rect& field);

private:
    std::function<std::int64_t()> now_;
    std::string text_ = kFirstText;
    bool counting_ = false;
    std::int64_t since_ = 0;  // when the frames counted began
    std::int64_t frames_ = 0; // shown since then
    std::int64_t waited_ = 0; // microseconds slept since then
    int columns_ = 0;         // the widest box's width, in letters
};

} // namespace lumora
