// The settings dialog's two drawing jobs with the pixels in memory, as its
// retained images hold them: one shading pass over both panels (3,376 twip
// rows of the outer panel and 150 pixel rows of the inner one), and one
// animation tick (clear 188x85, OR in a 180x85 frame).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dialog/dialog.h"
#include "tests/support/dialog_host.h"
#include "tests/support/fake_platform.h"

namespace {

void ShadingPass(benchmark::State& state) {
    std::vector<std::uint32_t> outer(461 * 225);
    std::vector<std::uint32_t> inner(433 * 149);
    const auto fill = [](std::vector<std::uint32_t>& image, int width, const std::vector<std::int32_t>& colors) {
        for (std::size_t y = 0; y < colors.size(); ++y)
            std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                        static_cast<std::uint32_t>(colors[y]));
    };
    for (auto _ : state) {
        fill(outer, 461, lumora::ShadeRows(225, 15));
        fill(inner, 433, lumora::ShadeRows(149, 1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ShadingPass)->Unit(benchmark::kMicrosecond);

void AnimationTick(benchmark::State& state) {
    lumora::fake::FakePlatform fake;
    const lumora::platform::Platform seams = fake.Seams();
    lumora::fake::RecordingDialogHost host;
    host.logging = false;
    lumora::SettingsDialog dialog(seams, host, {});
    for (auto _ : state) {
        dialog.OnAnimationTimer();
        benchmark::DoNotOptimize(host.earth.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(AnimationTick)->Unit(benchmark::kMicrosecond);

} // namespace
