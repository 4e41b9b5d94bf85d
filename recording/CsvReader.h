#pragma once

#include <string>
#include <vector>

#include "recording/FlightSample.h"

// The recorder's CSV read back (glider-pilot's recordings and glider-flight's
// alike): the header, then rows of finite numbers with strictly increasing
// steps. Both return "" on success; on failure one line naming the file and
// what is wrong (with the line number), leaving `rows` as it was.
namespace flight {

std::string loadCsvTrack(const std::string& path, std::vector<FlightSample>& rows);
// The same from text already in memory; `name` is used in messages.
std::string parseCsvTrack(const std::string& text, const std::string& name, std::vector<FlightSample>& rows);

} // namespace flight
