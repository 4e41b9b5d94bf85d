#pragma once

#include <memory>
#include <string>

#include "terrain/GeoCoordinate.h"
#include "terrain/HeightField.h"
#include "terrain/MapProjection.h"

// Terrain from a georeferenced elevation raster (GeoTIFF, SRTM .hgt, ESRI
// ASCII grid and whatever else GDAL reads), cut to a square window around a
// centre and laid on a local metric grid: x east, y north, z metres above sea
// level, the centre at the world origin.

// The largest grid a window may give: 4096 x 4096 samples, the cap of the
// JPEG heightmaps (about 0.5 GB with normals).
constexpr int kMaxDemSamplesPerAxis = 4096;
// Beyond a few hundred kilometres one flat map of the Earth no longer keeps
// distances within a part in a thousand.
constexpr double kMaxDemRadius = 250000.0; // (unit: metres)
// The smallest window a user may ask for, on either program's command line
// or in a scenario.
constexpr double kMinDemRadius = 1.0;      // (unit: metres)
constexpr double kMinDemSpacing = 0.1;     // (unit: metres)
constexpr double kMaxDemSpacing = 10000.0; // (unit: metres)
// Heights outside this range are not the Earth's surface (the deepest trench
// and the highest summit, with room to spare): a raster holding them is not
// an elevation model, and no void is filled with them.
constexpr double kLowestElevation = -12000.0; // (unit: metres above sea level)
constexpr double kHighestElevation = 10000.0; // (unit: metres above sea level)

// Empty, or why `height` cannot fill an elevation model's voids: "the fill
// height must lie within ...", for the command line and scenarios alike.
std::string demFillHeightProblem(double height);

struct DemRequest {
    std::string path;
    bool hasCentre = false; // false: the raster's own centre
    GeoCoordinate centre;
    double radius = 5000.0;  // (unit: metres) half the side of the square window
    double spacing = 0.0;    // (unit: metres) between samples; 0: about the raster's own
    bool fillWithHeight = false; // no-data cells take `fillHeight` instead of their neighbours' heights
    double fillHeight = 0.0;     // (unit: metres above sea level)
};

struct DemTerrain {
    std::unique_ptr<HeightField> terrain;      // normals computed
    std::unique_ptr<MapProjection> projection; // the grid's frame on the Earth
    GeoCoordinate origin;                      // where the world origin lies
    // Non-empty on failure, and then nothing else is set: one line, starting
    // with the file's name, saying what is wrong.
    std::string error;
};

// The window of `request` as terrain. Geographic rasters are resampled onto a
// transverse Mercator map centred on the window's centre; projected rasters
// keep their own map, on their own pixels when the spacing is theirs. Only
// the window is read, from the coarsest overview still as fine as the
// spacing. No-data cells take their neighbours' heights (or the given fill
// height).
DemTerrain loadDemTerrain(const DemRequest& request);
