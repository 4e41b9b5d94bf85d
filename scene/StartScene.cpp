#include "scene/StartScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scene/ModelTraits.h"
#include "scene/RealisticModel.h"
#include "terrain/JpegHeightField.h"
#include "terrain/RandomHeightField.h"
#include "physics/SharedConstants.h"

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

namespace {

const ModelTraits& traitsOf(FlightModel model) {
    return model == FlightModel::Realistic ? realisticTraits() : classicTraits();
}

} // namespace

bool flightModelFromName(const std::string& name, FlightModel& model) {
    if (name == "classic") {
        model = FlightModel::Classic;
    } else if (name == "realistic") {
        model = FlightModel::Realistic;
    } else {
        return false;
    }
    return true;
}

const char* flightModelName(FlightModel model) {
    return model == FlightModel::Realistic ? "realistic" : "classic";
}

std::unique_ptr<Glider> makeGlider(FlightModel model, const Vector3D& position) {
    if (model == FlightModel::Classic) {
        return std::make_unique<Glider>(position, kSpan, kChord, kSubdivisions, kWingMass, kPilotMass);
    }
    return std::make_unique<Glider>(position, traitsOf(model).shape);
}

std::unique_ptr<ParticleSystem> makeWorld(FlightModel model) {
    if (model == FlightModel::Realistic) {
        return makeRealisticWorld(kRealisticIterations);
    }
    return std::make_unique<ParticleSystem>(kGravity, kStepsPerSecond);
}

double launchSpeedOf(FlightModel model, const Launch& launch) {
    return launch.speed >= 0.0 ? launch.speed : traitsOf(model).launchSpeed;
}

namespace {


// The glider is built heading 180 degrees (apex towards -y); the turn about
// the vertical, counter-clockwise, that points it along `headingDegrees`.
double yawFor(double headingDegrees) { return (180.0 - headingDegrees) * (kPi / 180.0); }

// (unit: m/s) over the ground: level flight along the heading at the launch
// airspeed, carried along by the wind as a glider leaving a slope is: into
// a wind of its trim speed it hangs still over the launch. Turned from the
// built heading, so that heading 180 gives exactly -y.
Vector3D launchVelocity(FlightModel model, const Launch& launch, const Vector3D& wind) {
    const double yaw = yawFor(launch.headingDegrees);
    const double speed = launchSpeedOf(model, launch);
    return Vector3D(std::sin(yaw) * speed, -std::cos(yaw) * speed, 0.0) + wind;
}

bool isBuiltHeading(const Launch& launch) { return launch.headingDegrees == 180.0; }

} // namespace

std::string launchInGroundProblem(const HeightField& terrain, FlightModel model, const Launch& launch) {
    const std::unique_ptr<Glider> glider = makeGlider(model, launch.position);
    if (!isBuiltHeading(launch)) {
        glider->place(launch.position, yawFor(launch.headingDegrees));
    }
    double depth = 0.0; // (unit: metres) of the deepest part below the ground
    auto probe = [&](const Particle& particle) {
        if (!particle.ignoresTerrain) {
            const Vector3D& p = particle.position;
            depth = std::max(depth, terrain.heightAt(p.x, p.y) - p.z);
        }
    };
    for (int i = 0; i < glider->wingSize(); ++i) {
        probe(glider->wingParticle(i));
    }
    probe(glider->hubParticle());
    probe(glider->pilotParticle());
    if (!(depth > 0.0)) {
        return "";
    }
    char text[256];
    std::snprintf(text, sizeof text,
                  "the launch at %.6g,%.6g,%.6g puts the glider %.3g m into the ground (the ground there is at %.6g m; "
                  "launch at a height of at least %.6g m)",
                  launch.position.x, launch.position.y, launch.position.z, depth,
                  terrain.heightAt(launch.position.x, launch.position.y), std::ceil(launch.position.z + depth));
    return text;
}

Flight makeFlight(std::unique_ptr<HeightField> terrain, const Vector3D& wind, FlightModel model, const Launch& launch) {
    Flight flight;
    flight.model = model;
    flight.launch = launch;
    flight.terrain = std::move(terrain);
    flight.glider = makeGlider(model, launch.position);
    if (!isBuiltHeading(launch)) {
        flight.glider->place(launch.position, yawFor(launch.headingDegrees));
    }
    flight.world = makeWorld(model);
    flight.world->setWind(wind);
    flight.world->setTerrain(flight.terrain.get());
    flight.glider->registerWith(*flight.world);
    if (model == FlightModel::Realistic) {
        fitRealisticParts(*flight.glider, *flight.world);
    }
    const double speed = launchSpeedOf(model, launch);
    if (speed > 0.0) {
        flight.world->setStartVelocity(launchVelocity(model, launch, wind));
    }
    return flight;
}

void applyCommand(Glider& glider, PilotCommand command) {
    double dx = 0.0;
    double dy = 0.0;
    switch (command) {
    case PilotCommand::Reset:
        glider.reset(kGliderPosition);
        break;
    case PilotCommand::Left:
        dx = 0.01;
        break;
    case PilotCommand::Right:
        dx = -0.01;
        break;
    case PilotCommand::Fore:
        dy = -0.05;
        break;
    case PilotCommand::Aft:
        dy = 0.05;
        break;
    case PilotCommand::None:
        break;
    }
    glider.steer(dx, dy);
}

} // namespace start

namespace start {

namespace {

// The pilot's shift (unit: metres) in the glider's frame from the fractions
// of the control range: +lateral is the glider's right, which is -x as
// built; +fore is towards the apex, -y.
void shiftTo(Flight& flight, double lateral, double fore) {
    const SteeringLimits& limits = traitsOf(flight.model).steering;
    const double l = std::clamp(lateral, -1.0, 1.0);
    const double f = std::clamp(fore, -1.0, 1.0);
    flight.glider->shiftPilotTo(-l * limits.lateralRange, -f * limits.foreRange);
    if (flight.model == FlightModel::Realistic) {
        flight.glider->fitHubLineToPilot();
    }
}

} // namespace

void applyCommand(Flight& flight, PilotCommand command) {
    Glider& glider = *flight.glider;
    const ModelTraits& traits = traitsOf(flight.model);
    if (flight.model == FlightModel::Classic) {
        if (command == PilotCommand::Reset && !(flight.launch.position == kGliderPosition)) {
            glider.reset(flight.launch.position);
            glider.steer(0.0, 0.0);
            return;
        }
        applyCommand(glider, command);
        return;
    }
    if (command == PilotCommand::Reset) {
        glider.place(flight.launch.position, yawFor(flight.launch.headingDegrees));
        flight.world->setVelocity(launchVelocity(flight.model, flight.launch, flight.world->windVelocity()));
        glider.steer(0.0, 0.0);
        return;
    }
    const SteeringLimits& limits = traits.steering;
    WeightShift shift = weightShiftOf(flight);
    // Presses move by whole steps of the range; the sums are rounded to the
    // step so that a press and its opposite bring the bar back exactly.
    const double lateralSteps = std::round(shift.lateral * limits.lateralRange / limits.lateralStep);
    const double foreSteps = std::round(shift.fore * limits.foreRange / limits.foreStep);
    double lateral = lateralSteps;
    double fore = foreSteps;
    switch (command) {
    case PilotCommand::Left:
        lateral -= 1.0;
        break;
    case PilotCommand::Right:
        lateral += 1.0;
        break;
    case PilotCommand::Fore:
        fore += 1.0;
        break;
    case PilotCommand::Aft:
        fore -= 1.0;
        break;
    case PilotCommand::None:
    case PilotCommand::Reset:
        break;
    }
    shiftTo(flight, lateral * limits.lateralStep / limits.lateralRange, fore * limits.foreStep / limits.foreRange);
}

void setWeightShift(Flight& flight, double lateral, double fore) {
    shiftTo(flight, lateral, fore);
}

WeightShift weightShiftOf(const Flight& flight) {
    const SteeringLimits& limits = traitsOf(flight.model).steering;
    const Vector3D shift = flight.glider->pilotShift();
    WeightShift w;
    w.lateral = -shift.x / limits.lateralRange;
    w.fore = -shift.y / limits.foreRange;
    return w;
}

} // namespace start
