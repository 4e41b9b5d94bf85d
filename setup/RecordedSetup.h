#pragma once

#include <string>

#include "setup/FlightSetup.h"

// A flight's setup as its recording keeps it, so that a replay builds the
// same world from the recording alone: the scenario's own text (read from
// its file, or the built-in one) with the folder its relative paths resolve
// in, and every override a front end gave: model, wind, the ground (an
// elevation model with its window, a heightmap, the generated terrain), the
// imagery draped on it and the task. Paths are kept absolute, so the recording replays from any
// folder; the files they name (heightmaps, elevation rasters, task files)
// are read again, not copied. A small TOML file:
//
//   format = 1
//   scenario = "..."            the scenario's text ("" : the classic start)
//   scenario_name = "ridge.toml" what it was called, for messages
//   scenario_folder = "/abs"     where its relative paths resolve
//   model = "realistic"          each override only when given
//   wind = [x, y, z]
//   terrain = "/abs/heights.jpg"
//   generated_terrain = true
//   imagery = "/abs/ortho.tif"
//   task = "/abs/task.cup:NAME"
//   [dem] path, radius, spacing, fill_height
namespace setup {

constexpr int kRecordedSetupFormat = 1;

// The setup file's text for `request`. Returns "" and sets `text`, else the
// reason (the scenario file cannot be read again).
std::string writeRecordedSetup(const FlightRequest& request, std::string& text);

// Reads a setup file back as a request whose scenario is the built-in text
// it holds. On failure returns one line naming the file and what is wrong,
// leaving `request` as it was.
std::string readRecordedSetup(const std::string& path, FlightRequest& request);

} // namespace setup
