// The round option marks of the settings dialog. They are pictures rather
// than system radio buttons so they match the pale blue-grey panel, which is
// also why their corners are the panel's colour and not white or black.

#include <cmath>

#include "pictures.h"

namespace lumora::pictures {

Image DrawOptionMark(bool selected, int scale) {
    constexpr int kSize = 13;
    const double unit = scale;
    constexpr double kCentre = kSize / 2.0;
    const Colour outlineDark = FromBytes(88, 88, 124);
    const Colour outlineLight = FromBytes(132, 132, 172);
    const Colour ring = FromBytes(214, 214, 232);
    const Colour inside = FromBytes(253, 253, 255);
    const Colour dot = FromBytes(214, 28, 36);
    const Colour dotLight = FromBytes(255, 122, 118);
    const Colour dotEdge = FromBytes(150, 12, 20);

    // Drawn in 1x pixels; a larger picture samples the same shape more finely.
    const auto shade = [&](double px, double py) {
        const double x = px / unit;
        const double y = py / unit;
        const double dx = x - kCentre;
        const double dy = y - kCentre;
        const double r = std::sqrt(dx * dx + dy * dy);
        Sample s;
        if (r > 6.0) return s;
        s.alpha = 1;
        // Light from the top left: the outline is darker there, as on a
        // sunken control, and the dot's highlight sits there too.
        const double towardLight = Clamp(0.5 + (dx + dy) / (2 * 6.0 * std::sqrt(2.0)) * 1.4, 0, 1);
        if (r > 5.0) {
            s.colour = Mix(outlineDark, outlineLight, towardLight);
        } else if (r > 4.0) {
            s.colour = ring;
        } else {
            s.colour = Mix(ring, inside, SmoothStep(4.0, 3.0, r));
        }
        if (selected && r < 2.6) {
            const double hx = dx + 0.8;
            const double hy = dy + 0.8;
            const double highlight = SmoothStep(1.6, 0.0, std::sqrt(hx * hx + hy * hy));
            s.colour = Mix(Mix(dot, dotEdge, SmoothStep(1.6, 2.6, r)), dotLight, 0.8 * highlight);
        }
        return s;
    };
    const int size = kSize * scale;
    return Flatten(Supersample(size, size, 8, shade), size, size, FromRgb(kPanelColour));
}

} // namespace lumora::pictures
