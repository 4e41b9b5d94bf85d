#include "atmosphere/GroundHeating.h"

#include <algorithm>
#include <cmath>

#include "terrain/HeightField.h"

namespace {

// A sun this low warms nothing enough to lift air.
constexpr double kLowestSun = 0.05; // sine of about 3 degrees
constexpr double kMostHeating = 1.5;

} // namespace

GroundHeating::GroundHeating(const HeightField* terrain_, const Vector3D& sun_, double waterLevel_)
    : terrain(terrain_), waterLevel(waterLevel_) {
    const double length = std::sqrt(sun_.x * sun_.x + sun_.y * sun_.y + sun_.z * sun_.z);
    sun = length > 0.0 ? Vector3D(sun_.x / length, sun_.y / length, sun_.z / length) : Vector3D(0.0, 0.0, 1.0);
}

double GroundHeating::at(double x, double y) const {
    if (sun.z < kLowestSun) {
        return 0.0;
    }
    if (terrain == nullptr) {
        return 0.0 > waterLevel ? 1.0 : 0.0;
    }
    const double ground = terrain->heightAt(x, y);
    if (ground <= waterLevel) {
        return 0.0;
    }
    // The slope over a few samples, so one noisy sample does not decide.
    const double d = std::max(terrain->gridSpacing(), 10.0);
    const double slopeX = (terrain->heightAt(x + d, y) - terrain->heightAt(x - d, y)) / (2.0 * d);
    const double slopeY = (terrain->heightAt(x, y + d) - terrain->heightAt(x, y - d)) / (2.0 * d);
    const double facing = (-slopeX * sun.x - slopeY * sun.y + sun.z) / std::sqrt(slopeX * slopeX + slopeY * slopeY + 1.0);
    const double heating = std::min(facing / sun.z, kMostHeating);
    if (heating < kTriggering) {
        return std::max(heating, 0.0);
    }
    // Higher ground towards the sun: march out at growing steps.
    const double across = std::sqrt(sun.x * sun.x + sun.y * sun.y);
    if (across > 1e-9) {
        const double rise = sun.z / across; // per metre along the ground
        for (double along = d; along < kShadowReach; along *= 1.2) {
            const double px = x + sun.x / across * along;
            const double py = y + sun.y / across * along;
            if (terrain->heightAt(px, py) > ground + 2.0 + rise * along) {
                return 0.0;
            }
        }
    }
    return heating;
}
