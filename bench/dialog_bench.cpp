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

    void PlaceWindow(int, int) override {}
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
    void ClearEarth() override { std::fill(display.pixels.begin(), display.pixels.end(), 0u); }
    std::int32_t PaintEarthFrame(int frame) override {
        const Image& source = frames[static_cast<std::size_t>(frame)];
        for (int y = 0; y < 85; ++y)
            for (int x = 0; x < 180; ++x)
                display.pixels[static_cast<std::size_t>(y * 188 + x)] |= source.pixels[static_cast<std::size_t>(y * 180 + x)];
        return 1;
    }
    void RefreshEarth() override { benchmark::DoNotOptimize(display.pixels.data()); }
    lumora::OpenFileAnswer OpenFile(const std::vector<lumora::FileFilter>&, const std::string&) override {
        return {};
    }
    void SetScreenPointer(bool) override {}
    void OpenDocument(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
    void RunInBackground(std::function<void()>, std::function<void()>) override {}
    void Close() override {}
};

void ShadingPass(benchmark::State& state) {
    MemoryDialog host;
    const auto fill = [](Image& image, const std::vector<std::int32_t>& colors) {
        for (std::size_t y = 0; y < colors.size() && y < static_cast<std::size_t>(image.height); ++y)
            std::fill_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width,
                        static_cast<std::uint32_t>(colors[y]));
    };
    for (auto _ : state) {
        fill(host.outer, lumora::ShadeRows(225, 15));
        fill(host.inner, lumora::ShadeRows(149, 1));
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
