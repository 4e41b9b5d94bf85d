// dem-fuzz-seeds DIR: writes small elevation rasters into DIR as the
// elevation-model fuzzer's starting corpus: a GeoTIFF, one with no-data
// holes, an ASCII grid and a VRT over the GeoTIFF.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/DemTestFiles.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const demtest::Grid grid{16, 16, 7.0, 46.1, 1.0 / 1200.0};
    const auto hill = [](double east, double north) { return 600.0 + 1e5 * (east - 7.0) * (46.1 - north); };
    demtest::writeGeoTiff(dir + "/hill.tif", grid, hill);
    demtest::GeoTiffOptions holes;
    holes.hasNoData = true;
    demtest::writeGeoTiff(dir + "/holes.tif", grid,
                          [&](double east, double north) { return east < 7.005 ? -9999.0 : hill(east, north); }, holes);
    demtest::writeAsciiGrid(dir + "/hill.asc", demtest::Grid{8, 8, 7.0, 46.1, 1.0 / 1200.0}, hill, false);
    std::ofstream(dir + "/hill.vrt")
        << "<VRTDataset rasterXSize=\"16\" rasterYSize=\"16\"><SRS>EPSG:4326</SRS>"
           "<GeoTransform>7.0, 0.00083333333, 0, 46.1, 0, -0.00083333333</GeoTransform>"
           "<VRTRasterBand dataType=\"Float32\" band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"0\">"
        << dir << "/hill.tif</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>\n";
    return 0;
}
