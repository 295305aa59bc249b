// The random generator of the display: uniform single-precision draws in
// [0, 1), re-seedable from any number.
#pragma once

#include <cstdint>

namespace lumora {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(double seed) = 0;
    virtual float Next() = 0; // 0 <= u < 1
};

// A small, fast generator (SplitMix64): plenty for scattering stars, and the
// same seed always gives the same shower.
class Random final : public RandomSource {
public:
    void Seed(double seed) override;
    float Next() override;

private:
    std::uint64_t state_ = 0x853C49E6748FEA9BULL;
};

} // namespace lumora
