#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "terrain/HeightField.h"
#include "terrain/JpegHeightField.h"
#include "terrain/RandomHeightField.h"
#include "tests/support/JpegTestFiles.h"

namespace {

void BM_HeightAt(benchmark::State& state) {
    const auto terrain = generateRandomHeightField(100, 100, 6.0);
    double x = -240.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(terrain->heightAt(x, 0.37 * x));
        x = x > 240.0 ? -240.0 : x + 0.731;
    }
}
BENCHMARK(BM_HeightAt);

HeightField rolling(int size) {
    HeightField field(size, size, -size / 2.0, -size / 2.0, 1.0, 0.0);
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            field.setSample(i, j, 10.0 * std::sin(i * 0.05) * std::cos(j * 0.07));
        }
    }
    return field;
}

void BM_ComputeNormals1024(benchmark::State& state) {
    HeightField field = rolling(1024);
    for (auto _ : state) {
        field.computeNormals();
    }
}
BENCHMARK(BM_ComputeNormals1024)->Unit(benchmark::kMillisecond);

// Writes a size x size greyscale JPEG of rolling hills with libjpeg.
std::string writeGreyJpeg(int size) {
    const std::string path = "/tmp/glider-bench-" + std::to_string(size) + ".jpg";
    const jpegtest::Image hills = jpegtest::greyImage(size, size, [](int column, int row) {
        return 127.5 + 127.0 * std::sin(column * 0.05) * std::cos(row * 0.07);
    });
    jpegtest::writeFile(path, jpegtest::encode(hills, jpegtest::Encoding{95, false, 0}));
    return path;
}

void BM_LoadJpeg1024(benchmark::State& state) {
    const std::string path = writeGreyJpeg(1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadHeightFieldJpeg(path.c_str(), 1.0, 0.1));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadJpeg1024)->Unit(benchmark::kMillisecond);

} // namespace
