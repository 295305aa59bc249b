// The preview: the still picture inside the control panel's preview pane.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/platform.h"

namespace lumora {

// What the system says of the window given as the pane.
struct PaneFacts {
    bool exists = false;
    bool isDesktop = false;
    bool visible = false;
    Rect rect;   // the pane's, in screen pixels
    Rect screen; // all monitors together
};

// A window that a control panel could have given as its preview pane: one that
// exists and is shown, is not the desktop itself, and fits on the screen. The
// preview of any other would cover it with a picture that nothing closes.
bool IsPlausiblePane(const PaneFacts& pane);

// What the preview's window is: a window of its own, or one inside another.
enum class WindowKind { TopLevel, Child };

// What the window system does for the preview.
class PreviewHost {
public:
    virtual ~PreviewHost() = default;
    virtual PaneFacts DescribePane(platform::WindowHandle pane) = 0;
    // The pane's rectangle in screen pixels; false, with the rectangle left as
    // it is, when it cannot be read.
    virtual bool PaneRect(platform::WindowHandle pane, Rect& rect) = 0;
    // Creates the preview window, hidden, a window of its own, its picture decoded.
    virtual void Create() = 0;
    virtual void SetKind(WindowKind kind) = 0;
    virtual void SetParent(platform::WindowHandle pane) = 0;
    // Sizes the window, and the picture stretched over it, to fill a pane of
    // this rectangle from its top left.
    virtual void Fill(const Rect& pane) = 0;
    virtual void Show() = 0;
    // Asks the window to close; false when the request could not be posted.
    virtual bool PostClose() = 0;
};

// Makes the preview a child of the pane, sized to it, and shows it; false,
// with nothing made, when the window is no plausible pane.
bool AttachPreview(PreviewHost& host, platform::WindowHandle pane);

// Asks the preview window to close, which ends the process; false when the
// request could not be posted.
bool ClosePreview(PreviewHost& host);

} // namespace lumora
