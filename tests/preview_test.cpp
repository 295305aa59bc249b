#include "startup/preview.h"

#include <gtest/gtest.h>


namespace lumora {
namespace {

// The preview's window as the user would find it.
class PreviewWindowState final : public PreviewHost {
public:
    PaneFacts facts{true, false, true, {100, 200, 252, 312}, {0, 0, 1024, 768}};
    bool paneReadable = true;
    bool postable = true;

    bool created = false;
    WindowKind kind = WindowKind::TopLevel;
    platform::WindowHandle parent = 0;
    Rect filled{-1, -1, -1, -1};
    bool shownInside = false; // shown once it was a child of its parent
    int closeRequests = 0;

    PaneFacts DescribePane(platform::WindowHandle) override { return facts; }
    bool PaneRect(platform::WindowHandle, Rect& rect) override {
        if (paneReadable) rect = facts.rect;
        return paneReadable;
    }
    void Create() override { created = true; }
    void SetKind(WindowKind value) override { kind = value; }
    void SetParent(platform::WindowHandle pane) override { parent = pane; }
    void Fill(const Rect& pane) override { filled = pane; }
    void Show() override { shownInside = kind == WindowKind::Child && parent != 0; }
    bool PostClose() override { return ++closeRequests, postable; }
};

TEST(Preview, APaneGetsAChildWindowThatFillsItAndIsShown) {
    PreviewWindowState window;
    EXPECT_TRUE(AttachPreview(window, 1234));
    EXPECT_EQ(window.kind, WindowKind::Child);
    EXPECT_EQ(window.parent, 1234);
    EXPECT_EQ(window.filled, (Rect{100, 200, 252, 312}));
    EXPECT_TRUE(window.shownInside);

    // A pane whose rectangle cannot be read gives a window of no size.
    PreviewWindowState unreadable;
    unreadable.paneReadable = false;
    EXPECT_TRUE(AttachPreview(unreadable, 1234));
    EXPECT_EQ(unreadable.filled, Rect{});
}

TEST(Preview, OnlyAPlausiblePaneGetsAPreview) {
    const Rect screen{-800, 0, 1024, 768}; // a second monitor on the left
    const Rect pane{100, 200, 252, 312};
    EXPECT_TRUE(IsPlausiblePane({true, false, true, pane, screen}));
    EXPECT_TRUE(IsPlausiblePane({true, false, true, {-800, 0, 1024, 768}, screen})); // as large, not larger
    EXPECT_FALSE(IsPlausiblePane({false, false, true, pane, screen}));             // no such window
    EXPECT_FALSE(IsPlausiblePane({true, true, true, screen, screen}));             // the desktop
    EXPECT_FALSE(IsPlausiblePane({true, false, false, pane, screen}));             // hidden
    EXPECT_FALSE(IsPlausiblePane({true, false, true, {0, 0, 1825, 100}, screen}));  // wider than all screens
    EXPECT_FALSE(IsPlausiblePane({true, false, true, {0, -2147483647, 10, 2147483647}, screen}));

    PreviewWindowState desktop;
    desktop.facts.isDesktop = true;
    EXPECT_FALSE(AttachPreview(desktop, 65552));
    EXPECT_FALSE(desktop.created); // nothing made
}

TEST(Preview, ClosingAsksTheWindowToCloseAndSaysWhetherItCould) {
    PreviewWindowState window;
    EXPECT_TRUE(ClosePreview(window));
    window.postable = false;
    EXPECT_FALSE(ClosePreview(window));
    EXPECT_EQ(window.closeRequests, 2);
}

} // namespace
} // namespace lumora
