#pragma once

#include <memory>
#include <string>
#include <vector>

#include "atmosphere/RandomThermals.h"
#include "atmosphere/Sun.h"
#include "atmosphere/Thermal.h"
#include "atmosphere/ThermalLifecycle.h"
#include "autopilot/PilotPlan.h"
#include "physics/Vector3D.h"
#include "scene/StartScene.h"
#include "terrain/DemHeightField.h"
#include "terrain/RidgeHeightField.h"

// A flight's whole setting: the ground, where and how the glider starts, the
// flight model, the air (wind, thermals, lift over the terrain) and who
// flies. Read from a small TOML file; every program that flies builds its
// flight from one. The defaults are the classic start: a scenario that sets
// nothing flies exactly as the windowed simulator does.
struct Scenario {
    // The strongest wind accepted along each axis, about twice hurricane strength.
    static constexpr double kMaxWindComponent = 100.0; // (unit: m/s)
    // The furthest a start may lie from the origin.
    static constexpr double kMaxDistance = 1.0e6; // (unit: m)

    struct Terrain {
        enum class Source {
            Default,   // terrain.jpg in the working directory, else the generated terrain
            Generated, // the rolling generated terrain
            Jpeg,      // a greyscale heightmap
            Flat,      // flat ground at height 0
            Ridge,     // a long straight ridge
            Dem,       // a window of an elevation raster, heights above sea level
        };
        Source source = Source::Default;
        std::string path;          // Jpeg: relative paths already resolved against the scenario's folder
        double spacing = 1.0;      // (unit: m) Jpeg: per pixel
        double heightScale = 0.1;  // (unit: m) Jpeg: per grey level
        double size = 4000.0;      // (unit: m) Flat: the square's side
        double flatSpacing = 50.0; // (unit: m) Flat: between samples
        RidgeShape ridge;          // Ridge
        DemRequest dem;            // Dem: the path already resolved against the scenario's folder
        std::string imagery;       // Dem: aerial imagery drawn on it, resolved likewise; empty: none
    };
    using Model = start::FlightModel;
    // The model's launch; over an elevation model the start is a place on
    // the Earth instead of `position`: `heightAboveGround` over `at`, else
    // over the centre.
    struct Launch : start::Launch {
        bool hasAt = false;
        GeoCoordinate at;
        double heightAboveGround = 135.0; // (unit: m) as high as the classic start is over its plain
    };

    // The task flown: a .cup file's, or points given inline (placed through
    // the terrain's map, or about the flight's origin, by the flight setup).
    struct TaskSource {
        std::string cupFile;               // resolved against the scenario's folder; empty: none
        std::string name;                  // the file's task; empty: its first
        std::vector<GeoCoordinate> points; // inline: start, turnpoints, finish
        bool given() const { return !cupFile.empty() || !points.empty(); }
    };
    static constexpr std::size_t kMaxTaskPoints = 32;

    std::string file; // where it was read from, for messages; empty when built in
    Terrain terrain;
    Model model = Model::Classic;
    Launch launch;
    Vector3D wind; // (unit: m/s)
    std::vector<Thermal> thermals;
    RandomThermals randomThermals; // count 0: none
    double thermalTop = 1500.0;    // (unit: m) the convective layer's depth above the ground
    bool ridgeLift = false;
    // Living thermals (born, holding, dying) when `living`; else they stand.
    // Its `sun` is filled from `sky` when the flight is made.
    ThermalLifecycle lifecycle;
    // The sun, set directly or from a moment and a place, and whether
    // clouds stand over the thermals (false: a blue day).
    struct Sky {
        SunPosition sun;
        bool clouds = true;
    };
    Sky sky;
    PilotPlan pilot;
    TaskSource task;

    bool hasThermals() const { return !thermals.empty() || randomThermals.count > 0; }
    // True when the air is more than the uniform wind.
    bool movesAir() const { return hasThermals() || ridgeLift; }
};

// The outcome of reading a scenario file: on failure `message` is one line,
// "FILE:LINE: KEY: what is wrong" (no line when the file cannot be read).
struct ScenarioLoad {
    bool ok = false;
    Scenario scenario;
    std::string message;
};

ScenarioLoad loadScenario(const std::string& path);
// The same from text, `name` standing for the file in messages and relative
// paths resolving against `folder`.
ScenarioLoad readScenario(const std::string& text, const std::string& name, const std::string& folder);

// The scenario's ground. Null, with `error` set to one line naming the file,
// when a named heightmap cannot be used.
std::unique_ptr<HeightField> makeScenarioTerrain(const Scenario& scenario, std::string& error);

// The flight of the scenario's model over `terrain`, launched as it says:
// wind set, air field set when the air moves, glider registered. The caller
// prepares the world.
start::Flight makeScenarioFlight(const Scenario& scenario, std::unique_ptr<HeightField> terrain);
