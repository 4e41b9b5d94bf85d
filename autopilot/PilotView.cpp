#include "autopilot/PilotView.h"

#include <cmath>

#include "glider/Glider.h"
#include "glider/GliderAttitude.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kDegrees = 180.0 / kPi;

} // namespace

PilotView observe(const Glider& glider, const ParticleSystem& world) {
    PilotView view;
    const Particle& pilot = glider.pilotParticle();
    view.position = pilot.position;
    view.velocity = world.velocityOf(pilot);
    view.groundSpeed = std::hypot(view.velocity.x, view.velocity.y);
    view.airspeed = (view.velocity - world.airField().velocityAt(pilot.position, world.simulatedTime())).length();
    view.track = std::atan2(view.velocity.x, view.velocity.y) * kDegrees;
    if (view.track < 0.0) {
        view.track += 360.0;
    }
    view.bank = attitudeOf(glider).bank;
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
