// The Earth's surface as an equirectangular map, painted from coastlines
// typed in as longitude/latitude polygons.
#pragma once

#include <vector>

#include "canvas.h"

namespace lumora::pictures {

class EarthMap {
public:
    static constexpr int kWidth = 720; // half a degree a cell
    static constexpr int kHeight = 360;

    EarthMap();

    // Longitude in degrees east (any value; it wraps), latitude in degrees
    // north. Interpolated between cells, so the globe shows no blocks.
    Colour Albedo(double lon, double lat) const;
    // 1 over open water, 0 over land and ice: where the sun may glint.
    double Water(double lon, double lat) const;

private:
    template <typename Field>
    Field Bilinear(const std::vector<Field>& field, double lon, double lat) const;

    std::vector<Colour> albedo_;
    std::vector<double> water_;
};

// Built once; every frame of the globe reads the same map.
const EarthMap& TheEarthMap();

} // namespace lumora::pictures
