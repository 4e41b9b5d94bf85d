#include "flight/FlightSummary.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace flight {

double heightLost(const FlightSummary& summary) { return summary.start.z - summary.finish.z; }

double horizontalDistance(const FlightSummary& summary) {
    const double dx = summary.finish.x - summary.start.x;
    const double dy = summary.finish.y - summary.start.y;
    return std::sqrt(dx * dx + dy * dy);
}

double glideRatio(const FlightSummary& summary) {
    const double height = heightLost(summary);
    if (!(height > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return horizontalDistance(summary) / height;
}

std::string summaryLine(const FlightSummary& summary) {
    const double ratio = glideRatio(summary);
    char ratioText[32] = "nan";
    if (!std::isnan(ratio)) {
        std::snprintf(ratioText, sizeof ratioText, "%.17g", ratio);
    }
    char line[192];
    std::snprintf(line, sizeof line, "steps=%d landed_step=%d height_lost=%.17g distance=%.17g glide_ratio=%s",
                  summary.steps, summary.landedStep, heightLost(summary), horizontalDistance(summary), ratioText);
    return line;
}

std::string divergenceLine(const FlightSummary& summary, int pilotIndex) {
    const std::string who = summary.divergedParticle == pilotIndex
                                ? "the pilot"
                                : "particle " + std::to_string(summary.divergedParticle);
    return "the flight diverged at step " + std::to_string(summary.divergedStep) + ": " + who +
           " left the finite numbers (the forces outgrew what steps of 0.01 s can follow); "
           "nothing after step " + std::to_string(summary.divergedStep - 1) + " was recorded";
}

} // namespace flight
