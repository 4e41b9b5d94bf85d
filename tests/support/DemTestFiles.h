#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Elevation rasters for the tests, written in a scratch folder: GeoTIFFs
// through GDAL, SRTM tiles and ASCII grids byte by byte.
namespace demtest {

// Height at a point of the raster's own coordinates (degrees east and north
// for geographic rasters, easting and northing for projected ones).
using Surface = std::function<double(double east, double north)>;

struct Grid {
    int columns = 0;
    int rows = 0;
    double west = 0.0;  // left edge of the first column
    double north = 0.0; // top edge of the first row
    double pixel = 1.0; // square pixels, in the system's units
};

// A single-band Float32 GeoTIFF in the EPSG system `epsg` (0: no coordinate
// system), the surface sampled at pixel centres. `noData` is declared when
// `hasNoData`; `geotransform` false writes no georeference at all.
struct GeoTiffOptions {
    int epsg = 4326;
    bool geotransform = true;
    bool hasNoData = false;
    double noData = -9999.0;
    bool tiledSparse = false; // tiles never written stay absent from the file
};
void writeGeoTiff(const std::string& path, const Grid& grid, const Surface& surface,
                  const GeoTiffOptions& options = {});

// Builds the GeoTIFF's overviews (2, 4, 8 and 16 times coarser) from its
// heights, then sets every full-resolution height to `height`: the overviews
// keep the old ones, so a read shows which level it came from.
void addStaleOverviews(const std::string& path, double height);

// An SRTM .hgt tile: `size` x `size` big-endian 16-bit heights, the first
// line along the tile's north edge. The name (N46E007.hgt) says where it is.
void writeHgt(const std::string& path, int size, const std::function<std::int16_t(int column, int line)>& height);

// An ESRI ASCII grid, with a WGS-84 .prj beside it when `withPrj`.
void writeAsciiGrid(const std::string& path, const Grid& grid, const Surface& surface, bool withPrj);

// Longitude and latitude of a UTM zone 32 north point (through PROJ), for
// tests that place a feature in a projected raster by its geographic position.
void utm32ToGeographic(double easting, double northing, double& latitude, double& longitude);

} // namespace demtest
