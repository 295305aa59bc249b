// The preview: the still picture inside the control panel's preview pane.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/platform.h"

namespace lumora {

// What the window system does for the preview.
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

class PreviewHost {
public:
    virtual ~PreviewHost() = default;
    virtual PaneFacts DescribePane(platform::WindowHandle pane) = 0;
    // GetWindowRect of the pane; the rectangle is left as it is when it fails.
    virtual std::int32_t GetPaneRect(platform::WindowHandle pane, Rect& rect) = 0;
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
    // Creates the preview window, hidden, with its picture decoded.
    virtual void Create() = 0;
    virtual std::int32_t GetStyle() = 0;                   // GetWindowLongA(GWL_STYLE)
    virtual std::int32_t SetStyle(std::int32_t style) = 0; // SetWindowLongA(GWL_STYLE)
    virtual void SetParent(platform::WindowHandle pane) = 0;
    // The window's place and size inside the pane, in twips.
    virtual void MoveWindow(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;
    // The picture's size at (0, 0), in pixels: it is drawn stretched to it.
    virtual void SizePicture(float width, float height) = 0;
    virtual void Show() = 0;
    virtual std::int32_t PostClose() = 0;          // PostMessage(form, WM_CLOSE, 0, 0)
};

struct PreviewLayout {
    std::int32_t widthTwips = 0;
    std::int32_t heightTwips = 0;
    float pictureWidth = 0;  // pixels
    float pictureHeight = 0;
};

// The pane's size in twips (halves to even) and the picture's size in pixels.
// Twips are kept in 32 bits: a pane wider or higher than 2184 pixels would
// overflow 16.
PreviewLayout LayOutPreview(const Rect& pane, float twipsPerPixelX, float twipsPerPixelY);

// Makes the preview a child of the pane, sized to it, and shows it; false,
// with nothing made, when the window is no plausible pane.
bool AttachPreview(PreviewHost& host, platform::WindowHandle pane);

// Asks the preview window to close, which ends the process; false when the
// request could not be posted.
bool ClosePreview(PreviewHost& host);

} // namespace lumora
