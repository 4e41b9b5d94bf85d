#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MapProjection;

// Aerial imagery (an orthophoto, a satellite true-colour tile: any
// georeferenced raster GDAL reads) resampled once onto the terrain's local
// map, for the drawing to lay on the ground as its colour.

// The most texels along either side: 4096 x 4096 RGBA is 64 MB, and the
// terrain itself holds no more samples than that.
constexpr int kMaxImageryTexels = 4096;

struct ImageryRequest {
    std::string path;
    // The terrain's extent on its local map (x east, y north), edges.
    double west = 0.0;  // (unit: m)
    double south = 0.0; // (unit: m)
    double east = 0.0;  // (unit: m)
    double north = 0.0; // (unit: m)
    // Texels along each side: about the raster's own pixel size, never
    // fewer than `minTexels` (the terrain's samples) nor more than `maxTexels`.
    int minTexels = 1;
    int maxTexels = kMaxImageryTexels;
};

struct AerialImagery {
    // Texels across the request's extent, edge to edge, the first row along
    // its south edge (as OpenGL takes a texture).
    int columns = 0;
    int rows = 0;
    // The extent the texels cover, edges, on the local map.
    double west = 0.0;  // (unit: m)
    double south = 0.0; // (unit: m)
    double east = 0.0;  // (unit: m)
    double north = 0.0; // (unit: m)
    // Red, green, blue, coverage: 4 bytes a texel. Coverage is 0 where the
    // raster has nothing (beyond its edge, no-data, transparent), 255 where
    // it covers the texel whole.
    std::vector<std::uint8_t> rgba;
    // Non-empty on failure, and then nothing else is set: one line, starting
    // with the file's name, saying what is wrong.
    std::string error;
};

// The raster of `request` on `map`'s local grid. Grey rasters give grey
// texels; a raster of more than 8 bits a sample (16-bit reflectances, say)
// is stretched from its 2nd to its 98th percentile over the extent, the same
// for every colour so that the colours keep their balance. Only the part
// over the extent is read, from the coarsest overview still fine enough.
AerialImagery loadAerialImagery(const ImageryRequest& request, const MapProjection& map);
