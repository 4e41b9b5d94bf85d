// Fuzz target for the elevation-model loader: loads the file named on the
// command line as --dem does, over a 2 km window at the raster's own spacing,
// and queries the terrain. A refusal must be one line that names the file;
// crashes, hangs, sanitizer reports and any other message are findings. Run
// through scripts/fuzz.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "terrain/DemHeightField.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RASTER\n", argv[0]);
        return 2;
    }
    DemRequest request;
    request.path = argv[1];
    request.radius = 2000.0;
    const DemTerrain dem = loadDemTerrain(request);
    if (!dem.terrain) {
        if (dem.error.rfind(request.path + ": ", 0) != 0 || dem.error.find('\n') != std::string::npos) {
            std::fprintf(stderr, "not one line naming the file: %s\n", dem.error.c_str());
            std::abort();
        }
        return 0;
    }
    const HeightField& terrain = *dem.terrain;
    double sum = terrain.heightAt(0.0, 0.0) + terrain.heightAt(-1e9, 1e9) + terrain.lowest() + terrain.highest();
    sum += terrain.normalAt(terrain.columnCount() - 1, terrain.rowCount() - 1).z;
    return sum == sum ? 0 : 3;
}
