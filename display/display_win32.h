#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace lumora {

// The display form's windows; whoever runs the message loop holds it.
class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    // Frames drawn and shown so far.
    virtual std::uint64_t FramesShown() const = 0;
};

// Loads the display form: it covers the screen, starts its timers and lives
// until the user ends it, which ends the process.
std::unique_ptr<DisplayWindow> Display_Load(const platform::Platform& platform);

} // namespace lumora
