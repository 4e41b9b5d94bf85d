#pragma once

#include <string>

#include "physics/Vector3D.h"

namespace flight {

// How a run went, for the line glider-flight ends with.
struct FlightSummary {
    int steps = 0;        // steps run
    int landedStep = -1;  // first step that ended with the pilot on the ground; -1 if none
    Vector3D start;       // (unit: metres) the pilot after prepare
    Vector3D finish;      // (unit: metres) the pilot at landedStep, else after the last step
    // The first step after which the state was no longer finite numbers (the
    // run stops there, before reporting it); -1 if none. Which particle
    // showed it first, by world index.
    int divergedStep = -1;
    int divergedParticle = -1;
};

double heightLost(const FlightSummary& summary);       // (unit: metres)
double horizontalDistance(const FlightSummary& summary); // (unit: metres)
// Distance over height lost; NaN when no height was lost, since a glider
// that kept or gained height has no glide ratio.
double glideRatio(const FlightSummary& summary);

// "steps=N landed_step=S height_lost=H distance=D glide_ratio=G", numbers
// with 17 significant digits; no newline.
std::string summaryLine(const FlightSummary& summary);

// For a diverged run: at which step, which particle and why; no newline.
std::string divergenceLine(const FlightSummary& summary, int pilotIndex);

} // namespace flight
