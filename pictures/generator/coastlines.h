// The coastlines the Earth's map is painted from: polygons of longitude and
// latitude, typed in by hand at the scale of a globe 68 pixels across.
#pragma once

#include <vector>

namespace lumora::pictures {

enum class Kind {
    Land,
    Ice,    // land under an ice sheet
    Desert, // tints land already drawn; never makes land of its own
    Water,  // inland seas and lakes, cut out of the land around them
};

struct Region {
    Kind kind;
    std::vector<double> lonLat; // pairs, degrees; the last point joins the first
};

// Every region of land, ice, desert and inland water, in the order the map
// paints them.
const std::vector<Region>& Coastlines();

} // namespace lumora::pictures
