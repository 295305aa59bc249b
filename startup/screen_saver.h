// Facts about the screen-saver session that start-up and the display both need.
#pragma once

#include "platform/platform.h"

namespace lumora {

// True on the NT family: only there does Windows itself ask for the password
// when a screen saver ends.
bool IsNtFamily(platform::Saver& saver);

// Tells Windows whether a screen saver runs (it turns off system keys meanwhile
// on the old family).
void MarkScreenSaverRunning(platform::Saver& saver, bool running);

} // namespace lumora
