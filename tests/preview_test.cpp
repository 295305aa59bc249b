#include "startup/preview.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace lumora {
namespace {

class RecordingHost final : public PreviewHost {
public:
    std::vector<std::string> calls;
    Rect pane{100, 200, 252, 312};
    bool paneExists = true;
    float twipsX = 15;
    float twipsY = 15;
    std::int32_t style = static_cast<std::int32_t>(0x82000000u); // WS_POPUP | WS_CLIPCHILDREN

    PaneFacts facts{true, false, true, {100, 200, 252, 312}, {0, 0, 1024, 768}};
    PaneFacts DescribePane(platform::WindowHandle handle) override {
        calls.push_back("DescribePane(" + std::to_string(handle) + ")");
        return facts;
    }
    std::int32_t GetPaneRect(platform::WindowHandle handle, Rect& rect) override {
        calls.push_back("GetWindowRect(" + std::to_string(handle) + ")");
        if (!paneExists) return 0;
        rect = pane;
        return 1;
    }
    float TwipsPerPixelX() override { return twipsX; }
    float TwipsPerPixelY() override { return twipsY; }
    void Create() override { calls.push_back("Create"); }
    std::int32_t GetStyle() override {
        calls.push_back("GetWindowLongA(GWL_STYLE)");
        return style;
    }
    std::int32_t SetStyle(std::int32_t value) override {
        calls.push_back("SetWindowLongA(GWL_STYLE, " + std::to_string(value) + ")");
        return style;
    }
    void SetParent(platform::WindowHandle handle) override {
        calls.push_back("SetParent(" + std::to_string(handle) + ")");
    }
    void MoveWindow(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        calls.push_back("Move(" + std::to_string(left) + ", " + std::to_string(top) + ", " +
                        std::to_string(width) + ", " + std::to_string(height) + ")");
    }
    void SizePicture(float width, float height) override {
        calls.push_back("Img_Prev(" + std::to_string(width) + ", " + std::to_string(height) + ")");
    }
    void Show() override { calls.push_back("Show"); }
    std::int32_t postResult = 1;
    std::int32_t PostClose() override {
        calls.push_back("PostMessageA(WM_CLOSE, 0, 0)");
        return postResult;
    }
};

TEST(Preview, AttachesSizesAndShowsInOrder) {
    RecordingHost host;
    EXPECT_TRUE(AttachPreview(host, 1234));
    const std::vector<std::string> expected = {
        "DescribePane(1234)", "GetWindowRect(1234)", "Create", "GetWindowLongA(GWL_STYLE)",
        "SetWindowLongA(GWL_STYLE, " + std::to_string(0x42000000) + ")", // child, no longer popup
        "SetParent(1234)", "Move(0, 0, 2280, 1680)", "Img_Prev(152.000000, 112.000000)", "Show"};
    EXPECT_EQ(host.calls, expected);
}

TEST(Preview, APaneThatCannotBeReadGivesAFormOfNoSize) {
    RecordingHost host;
    host.paneExists = false;
    AttachPreview(host, 0);
    EXPECT_EQ(host.calls[6], "Move(0, 0, 0, 0)");
    EXPECT_EQ(host.calls[7], "Img_Prev(0.000000, 0.000000)");
    EXPECT_EQ(host.calls.back(), "Show");
}

TEST(Preview, TwipsRoundHalvesToEvenAndThePictureFollowsThePane) {
    // 12.5 and 13.5 twips per pixel make halves: 1 px -> 12 (even), 3 px -> 40.5 -> 40.
    PreviewLayout size = LayOutPreview(Rect{0, 0, 1, 3}, 12.5f, 13.5f);
    EXPECT_EQ(size.widthTwips, 12);
    EXPECT_EQ(size.heightTwips, 40);
    size = LayOutPreview(Rect{0, 0, 3, 1}, 12.5f, 13.5f);
    EXPECT_EQ(size.widthTwips, 38); // 37.5 -> 38
    EXPECT_EQ(size.heightTwips, 14); // 13.5 -> 14

    // Other sizes and shapes: the picture takes the pane's size, whatever its aspect.
    for (auto [w, h] : {std::pair{152, 112}, {300, 100}, {80, 200}, {1, 1}}) {
        size = LayOutPreview(Rect{10, 20, 10 + w, 20 + h}, 15, 15);
        EXPECT_EQ(size.widthTwips, 15 * w);
        EXPECT_FLOAT_EQ(size.pictureWidth, static_cast<float>(w));
        EXPECT_FLOAT_EQ(size.pictureHeight, static_cast<float>(h));
    }
}

TEST(Preview, PanesBeyondSixteenBitsOfTwipsKeepTheirSize) {
    const PreviewLayout size = LayOutPreview(Rect{0, 0, 3840, 2185}, 15, 15);
    EXPECT_EQ(size.widthTwips, 57600);
    EXPECT_EQ(size.heightTwips, 32775);
    EXPECT_FLOAT_EQ(size.pictureWidth, 3840);
    const PreviewLayout huge = LayOutPreview(Rect{-2147483647, 0, 2147483647, 1}, 15, 15);
    EXPECT_EQ(huge.widthTwips, 2147483647); // saturates instead of wrapping
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

    RecordingHost host;
    host.facts.isDesktop = true;
    EXPECT_FALSE(AttachPreview(host, 65552));
    EXPECT_EQ(host.calls, std::vector<std::string>{"DescribePane(65552)"}); // nothing made
}

TEST(Preview, ClosingAsksTheWindowToCloseAndSaysWhetherItCould) {
    RecordingHost host;
    EXPECT_TRUE(ClosePreview(host));
    EXPECT_EQ(host.calls, std::vector<std::string>{"PostMessageA(WM_CLOSE, 0, 0)"});
    host.postResult = 0;
    EXPECT_FALSE(ClosePreview(host));
}

} // namespace
} // namespace lumora
