#pragma once

#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

// Shows the settings dialog over these settings; returns when it has closed.
// COM must be initialised on the thread (pictures, the file chooser).
void ShowSettingsDialog(const platform::Platform& platform, const Settings& settings);

} // namespace lumora
