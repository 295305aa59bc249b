// One moving frame of the shower on a 1920x1080 surface held in memory, for
// 1,000 stars (the product), 10,000 and 100,000 (to show the cost follows the
// stars, not the screen).
#include <benchmark/benchmark.h>

#include <vector>

#include "display/display.h"
#include "platform/fake/fake_platform.h"

namespace {

class MemoryHost final : public lumora::DisplayHost {
public:
    std::vector<std::uint32_t> pixels;

    lumora::ScreenMetrics Screen() override { return {1920, 1080, 15, 15}; }
    void PlaceForm(int, int, int, int) override {}
    lumora::PixelView SizeDisplay(int width, int height) override {
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        return {pixels.data(), width, height, width};
    }
    void ShowNormal() override {}
    std::int32_t SetTopmost() override { return 1; }
    void EnableTimer(lumora::DisplayTimer, bool) override {}
    void Present() override {}
    void DoEvents() override {}
    std::int32_t VerifyPassword() override { return 1; }
    void Unload() override {}
    void EndProcess() override {}
};

void MovingFrame(benchmark::State& state) {
    lumora::fake::FakePlatform fake;
    const lumora::platform::Platform seams = fake.Seams();
    MemoryHost host;
    lumora::Random random;
    lumora::DisplayForm form(seams, host, random);
    form.Star_Count = static_cast<std::int32_t>(state.range(0));
    form.Form_Load();
    form.Stars_Frame(); // the building frame
    for (int warm = 0; warm < 200; ++warm) form.Stars_Frame();
    for (auto _ : state) {
        form.Stars_Frame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MovingFrame)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
