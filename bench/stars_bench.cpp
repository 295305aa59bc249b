// One moving frame of the shower on a 1920x1080 surface held in memory, for
// 1,000 stars (the product), 10,000 and 100,000 (to show the cost follows the
// stars, not the screen).
#include <benchmark/benchmark.h>

#include "display/random.h"
#include "display/shower.h"
#include "tests/support/memory_surface.h"

namespace {

void MovingFrame(benchmark::State& state) {
    lumora::fake::MemorySurface surface;
    lumora::Random random;
    lumora::Shower shower(random, static_cast<int>(state.range(0)));
    shower.LayOut(surface.Resize(1920, 1080), {{0, 0, 1920, 1080}});
    shower.Frame(); // the building frame
    for (int warm = 0; warm < 200; ++warm) shower.Frame();
    for (auto _ : state) {
        shower.Frame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MovingFrame)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
