#pragma once

#include "platform/platform.h"

namespace lumora {

// Loads the display form and shows it over the whole screen; the process then
// lives in it until the user ends it.
void Display_Load(const platform::Platform& platform);

} // namespace lumora
