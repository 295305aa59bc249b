#pragma once

#include "platform/platform.h"

namespace lumora {

// Shows the preview picture inside the control panel's pane.
void Preview_Attach(platform::WindowHandle pane);

} // namespace lumora
