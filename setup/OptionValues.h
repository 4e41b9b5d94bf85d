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
std::string readWholeNumber(const std::string& text, long long lowest, long long highest, long long& value);
std::string readFiniteNumber(const std::string& text, double& value);
// A finite number within [lowest, highest]; outside it: `rule`, then the text.
std::string readNumberWithin(const std::string& text, double lowest, double highest, const std::string& rule,
                             double& value);
// "must lie within LOWEST to HIGHEST UNIT", the scenario's words for a range.
std::string rangeRule(double lowest, double highest, const std::string& unit);
// Exactly `count` finite numbers separated by commas.
std::string readNumberList(const std::string& text, int count, double* values);
// X,Y,Z in m/s, each within the scenario's wind limit.
std::string readWind(const std::string& text, Vector3D& wind);
// LAT,LON followed by `count` - 2 more numbers, the place usable on the Earth.
std::string readGeoCoordinate(const std::string& text, int count, double* values);
// YYYY-MM-DD, a real calendar day whose year a two-digit log date names
// without ambiguity (1980 to 2079).
std::string readDate(const std::string& text, CalendarDate& date);
// An elevation model's window radius, the same range in both programs and in
// scenarios: METRES, or kilometres when `kilometres` (the older spelling).
std::string readDemRadius(const std::string& text, bool kilometres, double& metres);
// Metres between an elevation model's samples, and the height its no-data
// cells take: the scenario's ranges.
std::string readDemSpacing(const std::string& text, double& metres);
std::string readDemFillHeight(const std::string& text, double& height);

} // namespace flight
