#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "terrain/DemHeightField.h"
#include "tests/support/DemTestFiles.h"

namespace {

// A one-arc-second SRTM tile, 3601 x 3601 (26 MB), of rolling hills, in a
// fresh temporary folder: the name says where it lies.
std::string writeSrtmTile(std::string& folder) {
    char pattern[] = "/tmp/glider-bench-dem-XXXXXX";
    folder = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    const std::string path = folder + "/N46E007.hgt";
    demtest::writeHgt(path, 3601, [](int column, int line) {
        return static_cast<std::int16_t>(1500.0 + 800.0 * std::sin(column * 0.004) * std::cos(line * 0.003));
    });
    return path;
}

// The whole load of a flight's terrain from a full tile: open, window of
// radius 5 km at 30 m around the tile's middle, resampled onto the local
// map, normals.
void BM_LoadSrtmWindow5km30m(benchmark::State& state) {
    std::string folder;
    DemRequest request;
    request.path = writeSrtmTile(folder);
    request.hasCentre = true;
    request.centre = GeoCoordinate{46.5, 7.5};
    request.radius = 5000.0;
    request.spacing = 30.0;
    for (auto _ : state) {
        const DemTerrain dem = loadDemTerrain(request);
        if (!dem.error.empty()) {
            state.SkipWithError(dem.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(dem.terrain.get());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadSrtmWindow5km30m)->Unit(benchmark::kMillisecond);

} // namespace
