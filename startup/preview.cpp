#include "startup/preview.h"

#include <cmath>


namespace lumora {
namespace {

constexpr std::int32_t kWsChild = 0x40000000;
constexpr std::int32_t kWsPopup = static_cast<std::int32_t>(0x80000000u);

std::int32_t Twips(std::int64_t pixels, float twipsPerPixel) {
    // The product of two 32-bit values always fits a double exactly enough, and
    // nearbyint takes halves to the even neighbour.
    const double twips = std::nearbyint(static_cast<double>(pixels) * static_cast<double>(twipsPerPixel));
    if (twips > 2147483647.0) return 2147483647;
    if (twips < -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(twips);
}

} // namespace

PreviewLayout LayOutPreview(const Rect& pane, float twipsPerPixelX, float twipsPerPixelY) {
    PreviewLayout size;
    // In 64 bits: a rectangle from a failing or hostile window can span more than 32.
    size.widthTwips = Twips(std::int64_t{pane.right} - pane.left, twipsPerPixelX);
    size.heightTwips = Twips(std::int64_t{pane.bottom} - pane.top, twipsPerPixelY);
    if (twipsPerPixelX != 0.0f)
        size.pictureWidth = static_cast<float>(static_cast<double>(size.widthTwips) / static_cast<double>(twipsPerPixelX));
    if (twipsPerPixelY != 0.0f)
        size.pictureHeight = static_cast<float>(static_cast<double>(size.heightTwips) / static_cast<double>(twipsPerPixelY));
    return size;
}

bool IsPlausiblePane(const PaneFacts& pane) {
    if (!pane.exists || pane.isDesktop || !pane.visible) return false;
    const std::int64_t width = std::int64_t{pane.rect.right} - pane.rect.left;
    const std::int64_t height = std::int64_t{pane.rect.bottom} - pane.rect.top;
    const std::int64_t screenWidth = std::int64_t{pane.screen.right} - pane.screen.left;
    const std::int64_t screenHeight = std::int64_t{pane.screen.bottom} - pane.screen.top;
    return width <= screenWidth && height <= screenHeight;
}

bool AttachPreview(PreviewHost& host, platform::WindowHandle pane) {
    if (!IsPlausiblePane(host.DescribePane(pane))) return false;
    Rect rect; // all zero: a pane that cannot be read gives a form of no size
    host.GetPaneRect(pane, rect);
    const PreviewLayout size = LayOutPreview(rect, host.TwipsPerPixelX(), host.TwipsPerPixelY());
    host.Create();
    // A borderless form is a popup window; a popup stays tied to its owner, not
    // to the pane, whatever else its style says. So the popup bit goes as the
    // child bit comes.
    host.SetStyle((host.GetStyle() | kWsChild) & ~kWsPopup);
    host.SetParent(pane);
    host.MoveWindow(0, 0, size.widthTwips, size.heightTwips);
    host.SizePicture(size.pictureWidth, size.pictureHeight);
    host.Show();
    return true;
}

bool ClosePreview(PreviewHost& host) { return host.PostClose() != 0; }

} // namespace lumora
