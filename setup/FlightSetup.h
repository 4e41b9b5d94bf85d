#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "atmosphere/RandomThermals.h"
#include "atmosphere/Thermal.h"
#include "autopilot/PilotPlan.h"
#include "physics/Vector3D.h"
#include "recording/GeoOrigin.h"
#include "scene/DemStart.h"
#include "scene/Scenario.h"
#include "scene/StartScene.h"
#include "task/Task.h"
#include "terrain/DemHeightField.h"
#include "terrain/MapProjection.h"

// From "a scenario and what the user changed" to a ready flight, the same for
// every front end (glider-flight, glider-pilot, and any later one). Plain
// records in, plain records out: nothing here reads a command line.
namespace setup {

// What a front end asks for on top of a scenario. Every override left empty
// keeps the scenario's value.
struct FlightRequest {
    std::string scenarioPath;  // empty: `builtInScenario`, else the classic start
    std::string builtInScenario; // TOML text flown when no file is named; empty: none
    std::string builtInName = "the built-in scenario"; // stands for it in messages
    std::string builtInFolder = ".";                    // its relative paths resolve here

    std::optional<start::FlightModel> model;
    std::optional<Vector3D> wind;               // (unit: m/s)
    std::optional<std::vector<Thermal>> thermals; // replaces the scenario's
    std::optional<RandomThermals> randomThermals; // count and seed
    std::optional<bool> ridgeLift;
    std::optional<PilotPlan> pilot;
    std::optional<start::Launch> launch;        // position and heading; not over an elevation model

    // The ground, the first given wins: an elevation model, a greyscale JPEG
    // heightmap, the generated terrain; else the scenario's own ground.
    DemRequest dem;                         // empty path: none
    std::optional<GeoCoordinate> demStart;  // empty: above the window's centre
    double demStartHeight = start::kDemStartHeight; // (unit: metres above the ground)
    std::string terrainPath;
    bool generatedTerrain = false;

    std::string imagery;       // aerial imagery a drawing front end drapes on the elevation model; empty: the scenario's
    std::string task;          // "FILE.cup[:NAME]"; empty: the scenario's [task], if any
    int solverIterations = 0;  // 0: the model's own cap
    flight::GeoOrigin origin;  // where a world without a map lies on the Earth
};

// A refusal: the option (or scenario key) it concerns, when one does, and one
// line saying what is wrong. The option names are the command line's
// (--dem, --start, --terrain, --launch), for front ends that have them.
struct SetupError {
    std::string option; // empty: `reason` names its file itself
    std::string reason;
    bool failed() const { return !reason.empty(); }
    std::string line() const { return option.empty() ? reason : option + ": " + reason; }
};

// The scenario as it will be flown, read and overridden but with no terrain
// read yet: a front end can check its outputs against `terrainInput` first.
struct FlightPlan {
    FlightRequest request;
    Scenario scenario;          // overrides applied
    std::string terrainInput;   // the terrain file the flight reads, if any
    SetupError error;
};

// The ready flight: prepared, with where it lies on the Earth for its log.
struct ReadyFlight {
    start::Flight flight;
    Scenario scenario;                          // as flown, the start over the terrain included
    std::unique_ptr<MapProjection> projection;  // null unless the ground came from an elevation model
    flight::GeoOrigin origin;                   // the map's origin at sea level, else the request's
    std::unique_ptr<task::Task> task;           // null: no task; placed on the ground as the terrain is
    SetupError error;

    // For the flight's log; valid while this record lives.
    flight::EarthPlacement placement() const { return flight::EarthPlacement{origin, projection.get()}; }
};

FlightPlan planFlight(const FlightRequest& request);
ReadyFlight buildFlight(FlightPlan plan);
// Both in one: what a front end without outputs to check calls.
ReadyFlight setUpFlight(const FlightRequest& request);

} // namespace setup
