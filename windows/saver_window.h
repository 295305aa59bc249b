// The saver's window on Windows: it covers every monitor and shows the run's
// shower until the user ends it.
#pragma once

#include <cstdint>
#include <memory>

#include "display/saver_session.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

// The display's windows; whoever runs the message loop holds them.
class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    // Frames drawn and shown so far.
    virtual std::uint64_t FramesShown() const = 0;
    // Ends the saver as a key would: the password where it is asked, the music
    // stopped, the cursor and the running flag given back, the run ended.
    virtual void RequestQuit() = 0;
    // The run has ended (its quit has asked the message loop to end).
    virtual bool Ended() const = 0;
};

// Opens the saver: it covers the screen, starts its timer and lives until the
// user ends it, which ends the message loop. nullptr when no window could be made.
std::unique_ptr<DisplayWindow> OpenDisplay(const platform::Platform& platform, const Settings& settings,
                                           const SessionRules& rules);

} // namespace lumora
