// The settings dialog's two drawing jobs with the pixels in memory, as its
// retained images hold them: one shading pass over both panels (3,376 twip
// rows of the outer panel and 150 pixel rows of the inner one), and one
// animation tick (clear 188x85, OR in a 180x85 frame).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dialog/dialog.h"
#include "tests/support/fake_platform.h"

namespace {

struct Image {
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

class MemoryDialog final : public lumora::DialogHost {
public:
    Image outer{461, 225};
    Image inner{433, 149};
    Image display{188, 85};
    std::vector<Image> frames = std::vector<Image>(24, Image{180, 85});

    lumora::DialogScreen Screen() override { return {1024 * 15.0, 768 * 15.0, 15, 15}; }
    void OuterSizeFor(int w, int h, double& width, double& height) override {
        width = (w + 6) * 15.0;
        height = (h + 25) * 15.0;
    }
    void SizeWindow(double, double) override {}
    void MoveWindow(std::int32_t, std::int32_t) override {}
    void SetMark(int, bool) override {}
    void EnableRepeat(bool) override {}
    void EnableFileButton(bool) override {}
    void SetRepeatText(const std::string&) override {}
    std::string RepeatText() override { return ""; }
    void AddRepeatEntry(const std::string&) override {}
    void SetFileCaption(const std::string&) override {}
    void GiveHandPointer(lumora::Control) override {}
    void Focus(lumora::Control) override {}
    std::int32_t GetCursorPos(std::int32_t&, std::int32_t&) override { return 0; }
    lumora::Rect WindowRect() override { return {}; }
    void DrawAnimatedRects(const lumora::Rect&, const lumora::Rect&) override {}
    void EnableTimer(bool) override {}
    lumora::PanelSize InnerSize(lumora::Panel panel) override {
        return panel == lumora::Panel::Outer ? lumora::PanelSize{461 * 15.0, 225 * 15.0} : lumora::PanelSize{433, 149};
    }
    void DrawRow(lumora::Panel panel, double y, double width, std::int32_t color) override {
        const bool twips = panel == lumora::Panel::Outer;
        Image& image = twips ? outer : inner;
        const int row = static_cast<int>(std::floor(twips ? y / 15 : y));
        const int end = std::min(image.width, static_cast<int>(twips ? width / 15 : width) + 1);
        if (row < 0 || row >= image.height) return;
        std::fill_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(row) * image.width, end,
                    static_cast<std::uint32_t>(color));
    }
    void ClearEarth() override { std::fill(display.pixels.begin(), display.pixels.end(), 0u); }
    std::int32_t PaintEarthFrame(int frame) override {
        const Image& source = frames[static_cast<std::size_t>(frame)];
        for (int y = 0; y < 85; ++y)
            for (int x = 0; x < 180; ++x)
                display.pixels[static_cast<std::size_t>(y * 188 + x)] |= source.pixels[static_cast<std::size_t>(y * 180 + x)];
        return 1;
    }
    void RefreshEarth() override { benchmark::DoNotOptimize(display.pixels.data()); }
    lumora::OpenFileAnswer OpenFile(const std::string&, const std::string&) override { return {}; }
    void SetScreenPointer(bool) override {}
    void OpenDocument(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
    void RunInBackground(std::function<void()>, std::function<void()>) override {}
    void Close() override {}
};

void ShadingPass(benchmark::State& state) {
    lumora::fake::FakePlatform fake;
    const lumora::platform::Platform seams = fake.Seams();
    MemoryDialog host;
    lumora::SettingsDialog dialog(seams, host, {});
    for (auto _ : state) {
        dialog.OnResize();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ShadingPass)->Unit(benchmark::kMicrosecond);

void AnimationTick(benchmark::State& state) {
    lumora::fake::FakePlatform fake;
    const lumora::platform::Platform seams = fake.Seams();
    MemoryDialog host;
    lumora::SettingsDialog dialog(seams, host, {});
    for (auto _ : state) {
        dialog.OnAnimationTimer();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(AnimationTick)->Unit(benchmark::kMicrosecond);

} // namespace
