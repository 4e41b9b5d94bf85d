#include <benchmark/benchmark.h>

#include "scene/StartScene.h"
#include "tests/support/GlRecorder.h"

namespace {

// Draw call streams into the recording stand-in: the CPU side of a frame.
void BM_TerrainDraw(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    HeightField field(size, size, -size / 2.0, -size / 2.0, 1.0, 0.0);
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            field.setSample(i, j, 0.01 * ((i * 7 + j * 13) % 100));
        }
    }
    field.computeNormals();
    for (auto _ : state) {
        glrec::clear();
        field.draw();
    }
    state.counters["calls_per_frame"] = static_cast<double>(glrec::total());
}
BENCHMARK(BM_TerrainDraw)->Arg(100)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);

void BM_GliderDraw(benchmark::State& state) {
    const auto glider = start::makeGlider();
    for (auto _ : state) {
        glrec::clear();
        glider->draw();
    }
    state.counters["calls_per_frame"] = static_cast<double>(glrec::total());
}
BENCHMARK(BM_GliderDraw)->Unit(benchmark::kMicrosecond);

} // namespace
