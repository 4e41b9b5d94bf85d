#include "autopilot/PilotView.h"

#include <cmath>

#include "glider/Glider.h"

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

} // namespace

PilotView observe(const Glider& glider, const ParticleSystem& world) {
    PilotView view;
    const Particle& pilot = glider.pilotParticle();
    view.position = pilot.position;
    view.velocity = world.velocityOf(pilot);
    view.groundSpeed = std::hypot(view.velocity.x, view.velocity.y);
    view.track = std::atan2(view.velocity.x, view.velocity.y) * kDegrees;
    if (view.track < 0.0) {
        view.track += 360.0;
    }
    // The base row's tips: its first particle is the right tip (built at -x,
    // the apex pointing to -y), its last the left one.
    const int base = Glider::rowStart(glider.subdivisionCount());
    const Vector3D& right = glider.wingParticle(base).position;
    const Vector3D& left = glider.wingParticle(base + glider.subdivisionCount()).position;
    const Vector3D span = left - right;
    const double length = span.length();
    if (length > 0.0) {
        view.bank = std::asin(std::fmax(-1.0, std::fmin(1.0, span.z / length))) * kDegrees;
    }
    return view;
}

double headingDifference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) {
        d -= 360.0;
    } else if (d <= -180.0) {
        d += 360.0;
    }
    return d;
}
