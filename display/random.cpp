#include "display/random.h"

#include <cstring>

namespace lumora {

void Random::Seed(double seed) {
    // Every bit of the number counts, so seeds a millisecond apart differ.
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof seed);
    std::memcpy(&bits, &seed, sizeof bits);
    state_ = bits ^ 0x9E3779B97F4A7C15ULL;
}

float Random::Next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    // The top 24 bits fill a float's mantissa exactly: never 1.0.
    return static_cast<float>(z >> 40) * (1.0f / 16777216.0f);
}

} // namespace lumora
