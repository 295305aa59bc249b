// The preview pane's still: what the display form shows a moment after it
// starts. Each star is the form's own plus of five pixels, a white core and
// four arms of one pale colour, drawn on whole pixels as the form draws them,
// so the thumbnail is true to the running saver rather than a smoothed idea of it.

#include <cmath>
#include <cstddef>
#include <vector>

#include "pictures.h"

namespace lumora::pictures {

namespace {

// A light, clear colour of any hue: the form's stars are pale, each channel in
// the upper half, and at thumbnail size they must still tell apart from white.
Rgb Pastel(Prng& prng) {
    const double hue = prng.Uniform(0, 6);
    const double saturation = prng.Uniform(0.30, 0.58);
    const double f = hue - std::floor(hue);
    const double low = 1 - saturation;
    const double falling = 1 - saturation * f;
    const double rising = 1 - saturation * (1 - f);
    Colour c;
    switch (static_cast<int>(hue)) {
    case 0: c = {1, rising, low}; break;
    case 1: c = {falling, 1, low}; break;
    case 2: c = {low, 1, rising}; break;
    case 3: c = {low, falling, 1}; break;
    case 4: c = {rising, low, 1}; break;
    default: c = {1, low, falling}; break;
    }
    return ToRgb(c);
}

} // namespace

Image DrawPreview() {
    constexpr int kWidth = 152;
    constexpr int kHeight = 112;
    // Off centre, as the form's radiant is random and rarely the middle.
    constexpr double kRadiantX = 63;
    constexpr double kRadiantY = 48;
    constexpr int kAttempts = 1400;

    Image image(kWidth, kHeight, Rgb{0, 0, 0});
    std::vector<int> centresX;
    std::vector<int> centresY;
    Prng prng(0x4C756D6F7261ULL);

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Stars leave the radiant along straight rays at steady speeds, so at
        // any moment they are spread along each ray and crowd towards the
        // radiant, where the rays meet; the skew adds the many slow ones.
        const double angle = prng.Uniform(0, 2 * kPi);
        const double u = prng.Uniform();
        const double distance = 2 + 130 * u * std::sqrt(u);
        const Rgb arm = Pastel(prng);
        const int x = Round(kRadiantX + distance * Cos(angle));
        const int y = Round(kRadiantY + distance * Sin(angle));
        if (x < 1 || y < 1 || x > kWidth - 2 || y > kHeight - 2) continue;

        // Pluses that touch merge into a blot at this size; close to the
        // radiant, where the shower is born, they may huddle closer.
        const int spacing = distance < 12 ? 5 : 10;
        bool crowded = false;
        for (std::size_t i = 0; i < centresX.size() && !crowded; ++i) {
            const int dx = centresX[i] - x;
            const int dy = centresY[i] - y;
            crowded = dx * dx + dy * dy < spacing;
        }
        if (crowded) continue;
        centresX.push_back(x);
        centresY.push_back(y);

        image.Set(x, y, Rgb{255, 255, 255});
        image.Set(x + 1, y, arm);
        image.Set(x - 1, y, arm);
        image.Set(x, y + 1, arm);
        image.Set(x, y - 1, arm);
    }
    return image;
}

} // namespace lumora::pictures
