#pragma once

#include <memory>

#include "platform/platform.h"

namespace lumora {

// The preview form's windows; whoever runs the message loop holds it.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
};

// Shows the preview picture inside the control panel's pane. The process then
// lives until the form is unloaded, which it is when the pane goes away.
std::unique_ptr<PreviewWindow> Preview_Open(platform::WindowHandle pane);

} // namespace lumora
