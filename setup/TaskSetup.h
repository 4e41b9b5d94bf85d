#pragma once

#include <memory>
#include <string>

#include "scene/Scenario.h"
#include "task/Task.h"
#include "terrain/HeightField.h"
#include "terrain/MapProjection.h"
#include "recording/GeoOrigin.h"

// The flight's task, placed on its ground: through the elevation model's own
// map when the ground is one, so a .cup over a real site lands on the real
// places, else about the flight's origin on the Earth.
namespace setup {

// A hang glider's best glide, for the arrival height shown on the way.
constexpr double kTaskGlideRatio = 10.0;

// The command line's task ("FILE.cup" or "FILE.cup:NAME"; empty: none)
// wins over the scenario's. `out` stays null when neither names one.
// Returns "" or one line naming the file, its line and field ("--task: "
// before it when the command line named it).
std::string placeTask(const std::string& option, const Scenario& scenario, const HeightField& terrain,
                      const MapProjection* projection, const flight::GeoOrigin& origin,
                      std::unique_ptr<task::Task>& out);

} // namespace setup
