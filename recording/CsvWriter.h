#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

#include "recording/FlightSample.h"

// The trajectory as comma-separated values, one row per reported step. Every
// number is printed with 17 significant digits, so it reads back to the very
// double the simulation held and two runs compare byte for byte.
namespace flight {

constexpr const char* kCsvHeader = "step,time,x,y,z,vx,vy,vz,speed,terrain";
// Appended to the header and every row when the air is asked for.
constexpr const char* kCsvAirColumns = ",air_vx,air_vy,air_vz";

void writeCsvHeader(std::FILE* out, bool air = false);
void writeCsvRow(std::FILE* out, const FlightSample& sample, bool air = false);

// Room for the longest row: 13 numbers of at most 24 characters, an int,
// the commas and the newline.
using CsvRowText = std::array<char, 384>;
// The row writeCsvRow writes, newline included, into `line` (not
// terminated); returns its length. Allocates nothing.
std::size_t formatCsvRow(CsvRowText& line, const FlightSample& sample, bool air = false);

// Rows go to steps 0, K, 2K, ... and to the run's last step.
inline bool isCsvRowStep(int step, int every, bool lastStep) { return lastStep || step % every == 0; }

} // namespace flight
