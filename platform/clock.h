// The time as every edition reads it.
#pragma once

#include <cstdint>

namespace lumora::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // GetTickCount: milliseconds since the system started, wrapping.
    virtual std::uint32_t TickCount() = 0;
    // The local time of day in seconds since midnight, with fractions.
    virtual double SecondsSinceMidnight() = 0;
};

} // namespace lumora::platform
