#include "pilot/PilotFlight.h"

#include "terrain/JpegHeightField.h"

std::string PilotFlight::build(const PilotOptions& options, std::string& notes) {
    if (!options.scenarioPath.empty()) {
        return options.scenarioPath + ": scenario files are not supported by this build yet";
    }
    std::unique_ptr<HeightField> terrain;
    if (!options.terrainPath.empty()) {
        // Asked for by name: a terrain that cannot be read stops the start
        // rather than flying somewhere else unannounced.
        terrain = loadHeightFieldJpeg(options.terrainPath.c_str(), start::kTerrainSpacing, start::kTerrainHeightScale);
        if (!terrain) {
            return options.terrainPath + ": cannot be used as a terrain (a greyscale JPEG is needed)";
        }
    } else {
        terrain = start::makeGeneratedTerrain();
    }
    if (options.model == "realistic") {
        notes += "glider-pilot: the realistic model is not in this build yet; flying the classic model\n";
    }
    model = "classic";
    owned = start::makeFlight(std::move(terrain), options.wind);
    owned.world->prepare();
    return {};
}

void PilotFlight::reset() {
    shift.apply(*owned.glider, 0.0, 0.0);
    start::applySpecialKey(*owned.glider, start::kKeyF1);
}
