#include "atmosphere/RidgeLift.h"

#include <algorithm>
#include <cmath>

#include "terrain/HeightField.h"

RidgeLift::RidgeLift(const HeightField& terrain_, const Vector3D& wind)
    : terrain(&terrain_), speed(std::sqrt(wind.x * wind.x + wind.y * wind.y)), directionX(0.0), directionY(0.0),
      baseline(std::max(kShortestBaseline, 2.0 * terrain_.gridSpacing())) {
    if (speed > 0.0) {
        directionX = wind.x / speed;
        directionY = wind.y / speed;
    }
}

double RidgeLift::verticalVelocity(double x, double y, double height) const {
    if (!(speed > 0.0)) {
        return 0.0;
    }
    const double above = std::max(0.0, height);
    // The ground felt at this height: a stretch growing with it.
    const double half = baseline + 0.5 * above;
    const double upwind = terrain->heightAt(x - directionX * half, y - directionY * half);
    const double downwind = terrain->heightAt(x + directionX * half, y + directionY * half);
    const double slope = (downwind - upwind) / (2.0 * half);
    return speed * slope * std::exp(-above / kDecayHeight);
}
