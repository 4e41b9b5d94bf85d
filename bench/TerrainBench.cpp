#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <string>
#include <vector>

#include "terrain/HeightField.h"
#include "terrain/JpegHeightField.h"
#include "terrain/RandomHeightField.h"

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
    FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(size);
    cinfo.image_height = static_cast<JDIMENSION>(size);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(size));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int i = 0; i < size; ++i) {
            const double h = std::sin(i * 0.05) * std::cos(cinfo.next_scanline * 0.07);
            row[static_cast<std::size_t>(i)] = static_cast<JSAMPLE>(127.5 + 127.0 * h);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
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
