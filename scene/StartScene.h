#pragma once

#include <memory>
#include <string>

#include "glider/Glider.h"
#include "glider/PilotCommand.h"
#include "physics/AirField.h"
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"
#include "physics/SharedConstants.h"

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
// The world's step, shared by every layer (physics/SharedConstants.h).
using ::kSecondsPerStep;
using ::kStepsPerSecond;
// The realistic model's cap on solver passes per step; it usually stops
// earlier, once converged.
constexpr int kRealisticIterations = 20;

// Which physics flies the glider. Classic: the original model, kept bit for
// bit. Realistic: real proportions and masses, a lift and drag law per wing
// triangle and a momentum-conserving solver, so it glides as hang gliders do.
enum class FlightModel { Classic, Realistic };
// "classic" or "realistic"; false for anything else.
bool flightModelFromName(const std::string& name, FlightModel& model);
const char* flightModelName(FlightModel model);

// Where and how a flight starts, and where F1 takes it back to.
struct Launch {
    Vector3D position = kGliderPosition; // (unit: metres) the hub
    // (unit: degrees) clockwise from +y seen from above; 180 points the apex
    // towards -y, as the glider is built.
    double headingDegrees = 180.0;
    // (unit: m/s) the airspeed at launch, relative to the wind; negative:
    // the model's own (the classic starts at rest over the ground, the
    // realistic at its trim airspeed).
    double speed = -1.0;
};

// The heightmap at `path`, else (after the loader's message) the generated terrain.
std::unique_ptr<HeightField> makeTerrain(const char* path);
std::unique_ptr<HeightField> makeGeneratedTerrain();
std::unique_ptr<Glider> makeGlider();
std::unique_ptr<ParticleSystem> makeWorld();
// The world and glider of a model, the glider built at `position`.
std::unique_ptr<Glider> makeGlider(FlightModel model, const Vector3D& position);
std::unique_ptr<ParticleSystem> makeWorld(FlightModel model);

// The owned objects of one flight, built in start-up order but not prepared.
struct Flight {
    std::unique_ptr<HeightField> terrain;
    // The air the world flies in; null: the uniform wind. Whoever fills it
    // also hands it to the world (setAirField); it outlives the world's use.
    std::unique_ptr<AirField> air;
    std::unique_ptr<Glider> glider;
    std::unique_ptr<ParticleSystem> world;
    FlightModel model = FlightModel::Classic;
    Launch launch;
};
// Glider and world around the given terrain, wind set, glider registered and
// placed at the launch with its launch velocity (given once the world is
// prepared). The caller prepares the world once everything else is in place.
// The defaults give the classic start flight.
Flight makeFlight(std::unique_ptr<HeightField> terrain, const Vector3D& wind = Vector3D(0.0, 0.0, 0.0),
                  FlightModel model = FlightModel::Classic, const Launch& launch = Launch());

// Empty, or why `launch` would start the model's glider inside `terrain`
// (some part of it that meets the ground below the ground's surface): one
// phrase giving the launch, how deep it lies and the lowest height that
// clears the ground. Every program checks a launch it is given with this
// before flying: a glider built in the ground is thrown out of it in one step.
std::string launchInGroundProblem(const HeightField& terrain, FlightModel model, const Launch& launch);

// (unit: m/s) the airspeed a model is launched at when the launch leaves it
// to the model.
double launchSpeedOf(FlightModel model, const Launch& launch);

// A command's action on the classic glider: Reset puts it back at the start
// position, then every command steers by its increment ((0, 0) for Reset and
// None): 1 cm left or right, 5 cm forward or back, unbounded.
void applyCommand(Glider& glider, PilotCommand command);
// The same for any model, with its own steps and limits: the classic's are
// those above, and its Reset returns to the launch position keeping attitude
// and shift; the realistic's fit a control frame, and its Reset puts the
// glider back at the launch in its built shape, at launch speed.
void applyCommand(Flight& flight, PilotCommand command);

// Continuous weight shift, as a fraction of the model's control range, each
// clamped to [-1, 1]: +lateral towards the glider's right, +fore the pilot
// forward (bar pulled in: faster).
void setWeightShift(Flight& flight, double lateral, double fore);
struct WeightShift {
    double lateral = 0.0;
    double fore = 0.0;
};
WeightShift weightShiftOf(const Flight& flight);

} // namespace start
