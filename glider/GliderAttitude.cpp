#include "glider/GliderAttitude.h"

#include <cmath>

#include "glider/Glider.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kDegrees = 180.0 / kPi;

// asin of a sine that rounding may have pushed just past ±1.
double asinDegrees(double sine) { return std::asin(std::fmax(-1.0, std::fmin(1.0, sine))) * kDegrees; }

} // namespace

GliderAttitude attitudeOf(const Glider& glider) {
    const int n = glider.subdivisionCount();
    const Vector3D& apex = glider.wingParticle(0).position;
    const Vector3D& right = glider.wingParticle(Glider::rowStart(n)).position;
    const Vector3D& left = glider.wingParticle(Glider::rowStart(n) + n).position;
    const Vector3D span = left - right;
    const Vector3D keel = apex - (right + left) * 0.5;
    GliderAttitude a;
    const double spanLength = span.length();
    if (spanLength > 0.0) {
        a.bank = asinDegrees(span.z / spanLength);
    }
    const double keelLength = keel.length();
    if (keelLength > 0.0) {
        a.pitch = asinDegrees(keel.z / keelLength);
    }
    if (keel.x != 0.0 || keel.y != 0.0) {
        a.heading = std::atan2(keel.x, keel.y) * kDegrees;
        if (a.heading < 0.0) {
            a.heading += 360.0;
        }
        if (a.heading >= 360.0) {
            a.heading = 0.0;
        }
    }
    // The span runs right to left and the keel forward: their cross product
    // points out of the wing's top.
    a.upright = keel.cross(span).z > 0.0;
    return a;
}
