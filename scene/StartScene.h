#pragma once

#include <memory>

#include "glider/Glider.h"
#include "physics/AirField.h"
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"

// The flight everyone starts from, built once here and shared by the
// simulator, the tools and the tests.
namespace start {

constexpr const char* kTerrainFile = "terrain.jpg";
constexpr double kTerrainSpacing = 1.0;     // (unit: metres per pixel)
constexpr double kTerrainHeightScale = 0.1; // (unit: metres per grey level)
constexpr int kGeneratedColumns = 100;
constexpr int kGeneratedRows = 100;
constexpr double kGeneratedAmplitude = 6.0; // (unit: metres)

constexpr Vector3D kGliderPosition{0.0, 150.0, 135.0}; // (unit: metres)
constexpr double kSpan = 5.5;                          // (unit: metres)
constexpr double kChord = 3.0;                         // (unit: metres)
constexpr int kSubdivisions = 8;
constexpr double kWingMass = 15.0;  // (unit: kilograms)
constexpr double kPilotMass = 45.0; // (unit: kilograms)

constexpr double kGravity = 9.80665; // (unit: m/s²)
constexpr int kStepsPerSecond = 100;
constexpr double kSecondsPerStep = 0.01; // the status clock's step, matching kStepsPerSecond

// The heightmap at `path`, else (after the loader's message) the generated terrain.
std::unique_ptr<HeightField> makeTerrain(const char* path);
std::unique_ptr<HeightField> makeGeneratedTerrain();
std::unique_ptr<Glider> makeGlider();
std::unique_ptr<ParticleSystem> makeWorld();

// The owned objects of one flight, built in start-up order but not prepared.
struct Flight {
    std::unique_ptr<HeightField> terrain;
    // The air the world flies in; null: the uniform wind. Whoever fills it
    // also hands it to the world (setAirField); it outlives the world's use.
    std::unique_ptr<AirField> air;
    std::unique_ptr<Glider> glider;
    std::unique_ptr<ParticleSystem> world;
};
// Glider and world around the given terrain, wind set, glider registered.
// The caller prepares the world once everything else is in place.
Flight makeFlight(std::unique_ptr<HeightField> terrain, const Vector3D& wind = Vector3D(0.0, 0.0, 0.0));

// Special keys, by their GLUT codes.
constexpr int kKeyF1 = 1;
constexpr int kKeyLeft = 100;
constexpr int kKeyUp = 101;
constexpr int kKeyRight = 102;
constexpr int kKeyDown = 103;

// True for the keys that fly the glider; the others are only echoed.
bool isFlightKey(int key);
// A special key's action: F1 resets to the start position, then every key,
// assigned or not, steers by its increment ((0, 0) for F1 and the others).
void applySpecialKey(Glider& glider, int key);

} // namespace start
