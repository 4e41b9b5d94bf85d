#include "scene/StartScene.h"

#include "terrain/JpegHeightField.h"
#include "terrain/RandomHeightField.h"

namespace start {

std::unique_ptr<HeightField> makeGeneratedTerrain() {
    return generateRandomHeightField(kGeneratedColumns, kGeneratedRows, kGeneratedAmplitude);
}

std::unique_ptr<HeightField> makeTerrain(const char* path) {
    std::unique_ptr<HeightField> terrain = loadHeightFieldJpeg(path, kTerrainSpacing, kTerrainHeightScale);
    if (!terrain) {
        terrain = makeGeneratedTerrain();
    }
    return terrain;
}

std::unique_ptr<Glider> makeGlider() {
    return std::make_unique<Glider>(kGliderPosition, kSpan, kChord, kSubdivisions, kWingMass, kPilotMass);
}

std::unique_ptr<ParticleSystem> makeWorld() {
    return std::make_unique<ParticleSystem>(kGravity, kStepsPerSecond);
}

Flight makeFlight(std::unique_ptr<HeightField> terrain, const Vector3D& wind) {
    Flight flight;
    flight.terrain = std::move(terrain);
    flight.glider = makeGlider();
    flight.world = makeWorld();
    flight.world->setWind(wind);
    flight.world->setTerrain(flight.terrain.get());
    flight.glider->registerWith(*flight.world);
    return flight;
}

bool isFlightKey(int key) {
    return key == kKeyF1 || key == kKeyLeft || key == kKeyUp || key == kKeyRight || key == kKeyDown;
}

void applySpecialKey(Glider& glider, int key) {
    double dx = 0.0;
    double dy = 0.0;
    switch (key) {
    case kKeyF1:
        glider.reset(kGliderPosition);
        break;
    case kKeyLeft:
        dx = 0.01;
        break;
    case kKeyRight:
        dx = -0.01;
        break;
    case kKeyUp:
        dy = -0.05;
        break;
    case kKeyDown:
        dy = 0.05;
        break;
    default:
        break;
    }
    glider.steer(dx, dy);
}

} // namespace start
