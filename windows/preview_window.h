#pragma once

#include <memory>

#include "platform/platform.h"
#include "windows/system/picture.h"

namespace lumora {

// The preview's windows; whoever runs the message loop holds them.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
};

// Shows the preview picture inside the control panel's pane. The process then
// lives until the preview closes, which it does when the pane goes away.
// Its picture comes from `imaging`, which must outlive it.
std::unique_ptr<PreviewWindow> OpenPreview(platform::WindowHandle pane, const win32::Imaging& imaging);

} // namespace lumora
