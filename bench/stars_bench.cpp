// One moving frame of the shower on a 1920x1080 surface held in memory, for
// 1,000 stars (the product), 10,000 and 100,000 (to show the cost follows the
// stars, not the screen).
#include <benchmark/benchmark.h>

#include <vector>

#include "display/display.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/stub_display_host.h"

namespace {

void MovingFrame(benchmark::State& state) {
    lumora::fake::FakePlatform fake;
    const lumora::platform::Platform seams = fake.Seams();
    lumora::fake::StubDisplayHost host;
    host.metrics = lumora::ScreenMetrics::Single(1920, 1080);
    lumora::Random random;
    lumora::StarDisplay display(seams, host, random, {}, lumora::Mode::Saver,
                                static_cast<int>(state.range(0)));
    display.Start();
    display.OnFrameTimer(); // the building frame
    for (int warm = 0; warm < 200; ++warm) display.OnFrameTimer();
    for (auto _ : state) {
        display.OnFrameTimer();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MovingFrame)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
