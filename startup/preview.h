// The preview: the still picture inside the control panel's preview pane.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lumora {

struct PaneRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// What the window toolkit does for the preview form.
class PreviewHost {
public:
    virtual ~PreviewHost() = default;
    // GetWindowRect of the pane; the rectangle is left as it is when it fails.
    virtual std::int32_t GetPaneRect(platform::WindowHandle pane, PaneRect& rect) = 0;
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
    // Creates the form, hidden, with its picture decoded.
    virtual void LoadForm() = 0;
    virtual std::int32_t GetStyle() = 0;                   // GetWindowLongA(GWL_STYLE)
    virtual std::int32_t SetStyle(std::int32_t style) = 0; // SetWindowLongA(GWL_STYLE)
    virtual void SetParent(platform::WindowHandle pane) = 0;
    // The form's place and size inside the pane, in twips.
    virtual void MoveForm(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;
    // The picture's size at (0, 0), in pixels: it is drawn stretched to it.
    virtual void SizePicture(float width, float height) = 0;
    virtual void Show() = 0;
    virtual platform::WindowHandle GetOwner() = 0; // GetWindow(GW_OWNER)
    virtual std::int32_t PostClose() = 0;          // PostMessage(form, WM_CLOSE, 0, 0)
};

struct PreviewSize {
    std::int32_t widthTwips = 0;
    std::int32_t heightTwips = 0;
    float pictureWidth = 0;  // pixels
    float pictureHeight = 0;
};

// The pane's size in twips (halves to even) and the picture's size in pixels.
// Twips are kept in 32 bits: a pane wider or higher than 2184 pixels would
// overflow 16.
PreviewSize Preview_Size(const PaneRect& pane, float twipsPerPixelX, float twipsPerPixelY);

// Attaches the preview form to the pane and shows it.
void Preview_Attach(PreviewHost& host, platform::WindowHandle pane);

// The preview form's unload: asks the form to close, which ends the process.
void Preview_Unload(PreviewHost& host);

} // namespace lumora
