#pragma once

#include <memory>
#include <string>

#include "physics/Vector3D.h"
#include "scene/Scenario.h"
#include "terrain/GeoCoordinate.h"
#include "terrain/HeightField.h"
#include "terrain/MapProjection.h"

// A scenario's ground when it is an elevation model: the terrain, its map on
// the Earth, and the launch placed over it.
struct ScenarioDemGround {
    std::unique_ptr<HeightField> terrain;
    std::unique_ptr<MapProjection> projection;
    GeoCoordinate origin;   // where the world origin lies: the window's centre
    Vector3D launchPosition; // (unit: metres) the hub's, above the ground at the scenario's start
    // Non-empty on failure, and then nothing else is set: one line naming
    // the scenario's key and what is wrong (the raster's file among it).
    std::string error;
};

// Reads the window of `scenario.terrain.dem` and places its start. The
// scenario's terrain source must be Dem.
ScenarioDemGround makeScenarioDemGround(const Scenario& scenario);
