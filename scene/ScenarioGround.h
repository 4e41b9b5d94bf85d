#pragma once

#include <memory>
#include <string>

#include "physics/Vector3D.h"
#include "scene/Scenario.h"
#include "terrain/GeoCoordinate.h"
#include "terrain/HeightField.h"
#include "terrain/MapProjection.h"

// A scenario's ground, whatever its source, and where its launch lies over
// it. Every front end builds its terrain through here, so an elevation model
// in a scenario flies in each of them.
struct ScenarioGround {
    std::unique_ptr<HeightField> terrain;
    // Over an elevation model, its map on the Earth; null for the other
    // sources, which the flight log places by a local approximation.
    std::unique_ptr<MapProjection> projection;
    GeoCoordinate origin;     // where the world origin lies, when there is a map
    Vector3D launchPosition;  // (unit: metres) the hub's start; over an elevation model, above the ground
    // Non-empty on failure, and then nothing else is set: one line naming
    // the scenario's key and what is wrong (the raster's file among it).
    std::string error;
};

// The launch must clear the ground (start::launchInGroundProblem): one that
// would start the glider inside it is refused like a bad terrain.
ScenarioGround makeScenarioGround(const Scenario& scenario);
