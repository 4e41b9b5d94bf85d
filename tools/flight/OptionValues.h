#pragma once

#include <string>

#include "tools/flight/FlightOptions.h"

// Strict readers for the values of glider-flight's options. Each accepts the
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
std::string readDate(const std::string& text, CalendarDate& date);
// STEP:KEY, with STEP a whole number from 0 and KEY a key name.
std::string readKeyPress(const std::string& text, KeyPress& press);

} // namespace flight
