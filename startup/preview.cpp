#include "startup/preview.h"


namespace lumora {
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
    Rect rect; // all zero: a pane that cannot be read gives a window of no size
    host.PaneRect(pane, rect);
    host.Create();
    // A borderless window of its own stays tied to its owner, not to the pane,
    // whatever else it is: it becomes a child first.
    host.SetKind(WindowKind::Child);
    host.SetParent(pane);
    host.Fill(rect);
    host.Show();
    return true;
}

bool ClosePreview(PreviewHost& host) { return host.PostClose(); }

} // namespace lumora
