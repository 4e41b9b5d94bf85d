#include "autopilot/PilotPlan.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Finite decimal numbers separated by commas, the whole text or nothing.
bool readNumbers(const std::string& text, std::vector<double>& numbers) {
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty() || item.find_first_of(" \t\nxXpPnNiI") != std::string::npos) {
            return false; // no blanks, hexadecimal, infinities or NaNs
        }
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(item.c_str(), &end);
        if (end != item.c_str() + item.size() || errno == ERANGE || !std::isfinite(value)) {
            return false;
        }
        numbers.push_back(value);
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

bool withinReach(double coordinate) { return std::fabs(coordinate) <= kMaxPilotDistance; }

} // namespace

std::string readPilotPlan(const std::string& text, PilotPlan& plan) {
    const std::size_t colon = text.find(':');
    const std::string mode = text.substr(0, colon);
    const char* usage = "expected heading:DEG, circle:X,Y,BANK, line:X1,Y1,X2,Y2, soar[:BANK] or task";
    if (text == "task") {
        plan = PilotPlan();
        plan.mode = PilotPlan::Mode::Task;
        return {};
    }
    if (text == "soar") {
        plan = PilotPlan();
        plan.mode = PilotPlan::Mode::Soar;
        plan.bank = kSoarBank;
        return {};
    }
    std::vector<double> n;
    if (colon == std::string::npos || !readNumbers(text.substr(colon + 1), n)) {
        return std::string(usage) + ", got '" + text + "'";
    }
    PilotPlan read;
    const std::string reach = "must lie within 1000 km of the origin, got '" + text + "'";
    if (mode == "heading" && n.size() == 1) {
        if (!(std::fabs(n[0]) <= kMaxPilotHeading)) {
            return "the heading must lie within -360 to 360 degrees, got '" + text + "'";
        }
        read.mode = PilotPlan::Mode::Heading;
        read.heading = n[0];
    } else if (mode == "circle" && n.size() == 3) {
        if (!withinReach(n[0]) || !withinReach(n[1])) {
            return "the centre " + reach;
        }
        if (!(std::fabs(n[2]) >= 5.0 && std::fabs(n[2]) <= kMaxPilotBank)) {
            return "the bank must lie between 5 and 60 degrees either way, got '" + text + "'";
        }
        read.mode = PilotPlan::Mode::Circle;
        read.centreX = n[0];
        read.centreY = n[1];
        read.bank = n[2];
    } else if (mode == "soar" && n.size() == 1) {
        if (!(std::fabs(n[0]) >= 5.0 && std::fabs(n[0]) <= kMaxPilotBank)) {
            return "the bank must lie between 5 and 60 degrees either way, got '" + text + "'";
        }
        read.mode = PilotPlan::Mode::Soar;
        read.bank = n[0];
    } else if (mode == "line" && n.size() == 4) {
        if (!withinReach(n[0]) || !withinReach(n[1]) || !withinReach(n[2]) || !withinReach(n[3])) {
            return "the line's ends " + reach;
        }
        if (std::hypot(n[2] - n[0], n[3] - n[1]) < 100.0) {
            return "the line's ends must lie at least 100 m apart, got '" + text + "'";
        }
        read.mode = PilotPlan::Mode::Line;
        read.x1 = n[0];
        read.y1 = n[1];
        read.x2 = n[2];
        read.y2 = n[3];
    } else {
        return std::string(usage) + ", got '" + text + "'";
    }
    plan = read;
    return {};
}
