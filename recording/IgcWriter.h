#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>

#include "recording/CalendarDate.h"
#include "recording/GeoOrigin.h"
#include "recording/FlightSample.h"

class MapProjection;

// An IGC flight log of the simulated flight: a header, then one B record (a
// fix) per whole simulated second, starting at 12:00:00 UTC on the given date
// unless the flight gives its own time of day (glider-pilot's real start).
// Lines end in CR LF as the format requires. The log is not signed: it has no
// G record.
namespace flight {

constexpr int kIgcStartSecondOfDay = 12 * 3600;

void writeIgcHeader(std::FILE* out, const CalendarDate& date);
// The header writeIgcHeader writes.
std::string igcHeader(const CalendarDate& date);
void writeIgcFix(std::FILE* out, const GeoOrigin& origin, const FlightSample& sample);
// Over terrain placed on the Earth by its own map: positions go back to
// latitude and longitude through that map; `origin` is the map's origin.
void writeIgcFix(std::FILE* out, const MapProjection& projection, const GeoOrigin& origin,
                 const FlightSample& sample);

// By the terrain's map when the placement has one, else around its origin.
void writeIgcFix(std::FILE* out, const EarthPlacement& placement, const FlightSample& sample);

// One fix line, CR LF included, not terminated: "B" and 34 characters.
using IgcFixText = std::array<char, 40>;
// The fix writeIgcFix writes, timed `startSecondOfDay` (UTC, seconds after
// midnight of the header's date) plus the sample's whole seconds, into
// `line`; returns its length. Allocates nothing.
std::size_t formatIgcFix(IgcFixText& line, const EarthPlacement& placement, const FlightSample& sample,
                         long long startSecondOfDay = kIgcStartSecondOfDay);

// Fixes go to steps 0, 100, 200, ...: whole simulated seconds.
bool isIgcFixStep(int step);

} // namespace flight
