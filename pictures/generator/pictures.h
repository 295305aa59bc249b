// The pictures of the screen saver, each drawn from nothing but code.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "icon_file.h"

namespace lumora::pictures {

// The control panel's preview: a still of the star shower, 152 x 112.
Image DrawPreview();

// The program's icon, a shooting star, at 16, 32 and 48 pixels.
std::vector<IndexedImage> DrawShootingStarIcon();

// The pointing hand over links, 32 x 32, two colours and a mask.
inline constexpr int kHandHotspotX = 12;
inline constexpr int kHandHotspotY = 10;
IndexedImage DrawHandCursor();

// The settings dialog's pictures come at 1x and 2x: the dialog takes the one
// nearer its monitor's scale and scales smoothly from there.
inline constexpr int kScales[] = {1, 2};

// The settings dialog's round option marks, 13 x 13 (times the scale) on its
// panel colour.
inline constexpr Rgb kPanelColour = {205, 205, 235};
Image DrawOptionMark(bool selected, int scale = 1);

// The turning Earth with its Moon, 180 x 85 (times the scale); frames
// 0..kEarthFrames-1 loop.
inline constexpr int kEarthFrames = 24;
Image DrawEarth(int frame, int scale = 1);

} // namespace lumora::pictures
