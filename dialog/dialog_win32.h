#pragma once

#include "platform/platform.h"

namespace lumora {

// Shows the settings dialog modally; returns when it has closed.
void Dialog_ShowModal(const platform::Platform& platform);

} // namespace lumora
