#pragma once

#include "platform/platform.h"
#include "windows/system/picture.h"
#include "settings/settings.h"

namespace lumora {

// Shows the settings dialog over these settings; returns when it has closed.
// COM must be initialised on the thread (the file chooser), and the pictures
// come from `imaging`.
void ShowSettingsDialog(const platform::Platform& platform, const Settings& settings,
                        const win32::Imaging& imaging);

} // namespace lumora
