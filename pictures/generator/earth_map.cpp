#include "earth_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "coastlines.h"

namespace lumora::pictures {
namespace {

// The masks are drawn at twice the map's resolution and averaged down, so a
// coast through a cell gives a partial cell rather than a jagged step.
constexpr int kFine = 2;
constexpr int kFineWidth = EarthMap::kWidth * kFine;
constexpr int kFineHeight = EarthMap::kHeight * kFine;

void Fill(const Region& region, std::vector<std::uint8_t>& mask) {
    const std::vector<double>& p = region.lonLat;
    const std::size_t n = p.size() / 2;
    std::vector<double> crossings;
    for (int row = 0; row < kFineHeight; ++row) {
        const double lat = 90 - (row + 0.5) * 180.0 / kFineHeight;
        crossings.clear();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const double lon1 = p[2 * i];
            const double lat1 = p[2 * i + 1];
            const double lon2 = p[2 * j];
            const double lat2 = p[2 * j + 1];
            if ((lat1 > lat) != (lat2 > lat))
                crossings.push_back(lon1 + (lat - lat1) * (lon2 - lon1) / (lat2 - lat1));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // Cells whose centre lies between a pair of crossings.
            const int first = static_cast<int>(std::ceil((crossings[k] + 180) * kFineWidth / 360.0 - 0.5));
            const int last = static_cast<int>(std::floor((crossings[k + 1] + 180) * kFineWidth / 360.0 - 0.5));
            for (int column = std::max(first, 0); column <= std::min(last, kFineWidth - 1); ++column)
                mask[static_cast<std::size_t>(row * kFineWidth + column)] = 1;
        }
    }
}

std::vector<double> Downsample(const std::vector<std::uint8_t>& fine) {
    std::vector<double> coarse(static_cast<std::size_t>(EarthMap::kWidth * EarthMap::kHeight), 0);
    for (int y = 0; y < kFineHeight; ++y)
        for (int x = 0; x < kFineWidth; ++x)
            coarse[static_cast<std::size_t>((y / kFine) * EarthMap::kWidth + x / kFine)] +=
                fine[static_cast<std::size_t>(y * kFineWidth + x)] / double{kFine * kFine};
    return coarse;
}

// A box blur of the given radius in cells, wrapping east-west.
std::vector<double> Blur(const std::vector<double>& field, int radius) {
    const int w = EarthMap::kWidth;
    const int h = EarthMap::kHeight;
    std::vector<double> across(field.size());
    std::vector<double> out(field.size());
    const double count = 2 * radius + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (int d = -radius; d <= radius; ++d)
                sum += field[static_cast<std::size_t>(y * w + ((x + d) % w + w) % w)];
            across[static_cast<std::size_t>(y * w + x)] = sum / count;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (int d = -radius; d <= radius; ++d)
                sum += across[static_cast<std::size_t>(std::clamp(y + d, 0, h - 1) * w + x)];
            out[static_cast<std::size_t>(y * w + x)] = sum / count;
        }
    return out;
}

// The green of land without desert or ice, by latitude: rain forest at the
// equator, savanna, temperate green, dark taiga, grey-brown tundra.
Colour Vegetation(double lat) {
    struct Stop {
        double lat;
        Colour colour;
    };
    static const std::array<Stop, 7> stops = {
        Stop{0, FromBytes(38, 96, 34)},    Stop{9, FromBytes(52, 104, 38)},
        Stop{17, FromBytes(112, 124, 60)}, Stop{32, FromBytes(92, 122, 56)},
        Stop{48, FromBytes(66, 112, 50)},  Stop{60, FromBytes(46, 84, 44)},
        Stop{70, FromBytes(118, 112, 90)}};
    const double a = std::fabs(lat);
    for (std::size_t i = 0; i + 1 < stops.size(); ++i)
        if (a < stops[i + 1].lat)
            return Mix(stops[i].colour, stops[i + 1].colour,
                       (a - stops[i].lat) / (stops[i + 1].lat - stops[i].lat));
    return stops.back().colour;
}

} // namespace

EarthMap::EarthMap() {
    const std::size_t fineSize = static_cast<std::size_t>(kFineWidth * kFineHeight);
    std::vector<std::uint8_t> land(fineSize, 0);
    std::vector<std::uint8_t> ice(fineSize, 0);
    std::vector<std::uint8_t> desert(fineSize, 0);
    std::vector<std::uint8_t> water(fineSize, 0);
    for (const Region& region : Coastlines()) {
        switch (region.kind) {
        case Kind::Land: Fill(region, land); break;
        case Kind::Ice: Fill(region, ice); break;
        case Kind::Desert: Fill(region, desert); break;
        case Kind::Water: Fill(region, water); break;
        }
    }
    for (std::size_t i = 0; i < fineSize; ++i) {
        if (water[i]) land[i] = 0;
        if (ice[i]) land[i] = 0; // ice wins where the two touch
    }

    const std::vector<double> landFraction = Downsample(land);
    const std::vector<double> iceFraction = Downsample(ice);
    const std::vector<double> dryness = Blur(Downsample(desert), 3);
    // Land near by, a degree or two around: the pale shallow seas off the coasts.
    const std::vector<double> shelf = Blur(Blur(landFraction, 2), 2);

    const Colour deepSea = FromBytes(10, 38, 104);
    const Colour shallowSea = FromBytes(28, 86, 150);
    const Colour desertColour = FromBytes(198, 170, 116);
    const Colour iceColour = FromBytes(236, 242, 248);
    const Colour seaIce = FromBytes(214, 226, 238);

    albedo_.resize(static_cast<std::size_t>(kWidth * kHeight));
    water_.resize(albedo_.size());
    for (int y = 0; y < kHeight; ++y) {
        const double lat = 90 - (y + 0.5) * 180.0 / kHeight;
        for (int x = 0; x < kWidth; ++x) {
            const auto i = static_cast<std::size_t>(y * kWidth + x);
            // Noise with a period of the map's width, so the date line has no seam.
            const double grain = ValueNoise(x / 6.0, y / 6.0, kWidth / 6, 11) * 0.6 +
                                 ValueNoise(x / 2.0, y / 2.0, kWidth / 2, 12) * 0.4;

            Colour sea = Mix(deepSea, shallowSea, Clamp(shelf[i] * 1.6, 0, 1) * 0.7);
            // Pack ice round the poles, ragged at its edge.
            const double packIce = lat > 0 ? SmoothStep(75, 80, lat + 4 * (grain - 0.5))
                                           : SmoothStep(-66, -71, lat + 4 * (grain - 0.5));
            sea = Mix(sea, seaIce, packIce);

            Colour ground = Vegetation(lat);
            ground = Mix(ground, desertColour, Clamp(dryness[i] * 1.3, 0, 1));
            ground = ground * (0.88 + 0.24 * grain);

            const double l = landFraction[i];
            const double c = iceFraction[i];
            Colour surface = Mix(sea, ground, l);
            surface = Mix(surface, iceColour * (0.95 + 0.05 * grain), c);
            albedo_[i] = surface;
            water_[i] = Clamp(1 - l - c - packIce, 0, 1);
        }
    }
}

template <typename Field>
Field EarthMap::Bilinear(const std::vector<Field>& field, double lon, double lat) const {
    lon -= 360 * std::floor((lon + 180) / 360);
    const double fx = (lon + 180) / 360.0 * kWidth - 0.5;
    const double fy = Clamp((90 - lat) / 180.0 * kHeight - 0.5, 0, kHeight - 1);
    const double x0 = std::floor(fx);
    const double y0 = std::floor(fy);
    const double tx = fx - x0;
    const double ty = fy - y0;
    const auto wrap = [](double x) {
        const int i = static_cast<int>(x) % kWidth;
        return static_cast<std::size_t>(i < 0 ? i + kWidth : i);
    };
    const auto row = [](double y) {
        return static_cast<std::size_t>(std::min(static_cast<int>(y), kHeight - 1)) *
               static_cast<std::size_t>(kWidth);
    };
    const std::size_t xa = wrap(x0);
    const std::size_t xb = wrap(x0 + 1);
    const std::size_t ya = row(y0);
    const std::size_t yb = row(y0 + 1);
    return (field[ya + xa] * (1 - tx) + field[ya + xb] * tx) * (1 - ty) +
           (field[yb + xa] * (1 - tx) + field[yb + xb] * tx) * ty;
}

Colour EarthMap::Albedo(double lon, double lat) const { return Bilinear(albedo_, lon, lat); }

double EarthMap::Water(double lon, double lat) const { return Bilinear(water_, lon, lat); }

const EarthMap& TheEarthMap() {
    static const EarthMap map;
    return map;
}

} // namespace lumora::pictures
