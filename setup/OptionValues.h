#pragma once

#include <string>

#include "physics/Vector3D.h"
#include "recording/CalendarDate.h"

// Strict readers for the values of the programs' options. Each accepts the
// whole text or nothing (no blanks, no trailing characters, no hexadecimal,
// no infinities or NaNs) and on failure returns a short reason, without the
// option's name; on success it returns an empty string.
namespace flight {

std::string readWholeNumber(const std::string& text, long long lowest, long long highest, int& value);
std::string readFiniteNumber(const std::string& text, double& value);
// Exactly `count` finite numbers separated by commas.
std::string readNumberList(const std::string& text, int count, double* values);
// YYYY-MM-DD, a real calendar day whose year a two-digit log date names
// without ambiguity (1980 to 2079).
// X,Y,Z in m/s, each within the scenario's wind limit.
std::string readWind(const std::string& text, Vector3D& wind);
// LAT,LON followed by `count` - 2 more numbers, the place usable on the Earth.
std::string readGeoCoordinate(const std::string& text, int count, double* values);
std::string readDate(const std::string& text, CalendarDate& date);

} // namespace flight
