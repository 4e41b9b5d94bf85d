#include "HandlingFlight.h"

#include <algorithm>
#include <cmath>

#include "autopilot/PilotView.h"
#include "physics/SharedConstants.h"
#include "scene/RealisticModel.h"

namespace {

constexpr double kDegrees = 180.0 / kPi;
constexpr double kGravity = 9.80665; // (unit: m/s²)

std::unique_ptr<HeightField> flatGround() { return std::make_unique<HeightField>(2, 2, -1.0e6, -1.0e6, 2.0e6, 0.0); }

} // namespace

HandlingFlight::HandlingFlight(double altitude, double headingDegrees, double x, double y) {
    start::Launch launch;
    launch.position.x = x;
    launch.position.y = y;
    launch.position.z = altitude;
    launch.headingDegrees = headingDegrees;
    flight = start::makeFlight(flatGround(), Vector3D(), start::FlightModel::Realistic, launch);
    flight.world->prepare();
    tracks.fill(track());
}

void HandlingFlight::look() {
    const int steps = static_cast<int>(std::lround(kLook / flight.world->timeStepSeconds()));
    for (int i = 0; i < steps; ++i) {
        flight.world->step();
    }
    ++looks;
    tracks[static_cast<std::size_t>(looks % (kWindow + 1))] = track();
}

void HandlingFlight::fly(double seconds) {
    for (int i = 0; i < static_cast<int>(std::lround(seconds / kLook)); ++i) {
        look();
    }
}

double HandlingFlight::wingBank() const { return observe(*flight.glider, *flight.world).bank; }

double HandlingFlight::track() const { return observe(*flight.glider, *flight.world).track; }

double HandlingFlight::trackBank() const {
    const double now = tracks[static_cast<std::size_t>(looks % (kWindow + 1))];
    const double before = tracks[static_cast<std::size_t>((looks + 1) % (kWindow + 1))];
    const double rate = headingDifference(now, before) / kDegrees / (kWindow * kLook); // (unit: rad/s)
    const PilotView v = observe(*flight.glider, *flight.world);
    return std::atan(v.groundSpeed * rate / kGravity) * kDegrees;
}

double HandlingFlight::speed() const { return flight.world->velocityOf(flight.glider->pilotParticle()).length(); }

double HandlingFlight::height() const { return flight.glider->pilotParticle().position.z; }

bool HandlingFlight::upright() const {
    const Glider& g = *flight.glider;
    const int n = g.subdivisionCount();
    const Vector3D apex = g.wingParticle(0).position;
    const Vector3D first = g.wingParticle(Glider::rowStart(n)).position;
    const Vector3D last = g.wingParticle(Glider::rowStart(n) + n).position;
    return (first - last).cross(apex - (first + last) * 0.5).z > 0.0;
}

void BankHold::fly(HandlingFlight& f, double seconds) {
    for (int i = 0; i < static_cast<int>(std::lround(seconds / HandlingFlight::kLook)); ++i) {
        const double now = f.wingBank();
        const double rate = (now - lastBank) / HandlingFlight::kLook;
        lastBank = now;
        const double error = bank - now;
        if (std::fabs(error) < 10.0) {
            held = std::clamp(held + 0.004 * error, -1.0, 1.0);
        }
        const double lateral = std::clamp(held + 0.03 * error - 0.01 * rate, -1.0, 1.0);
        if (speed > 0.0) {
            heldFore = std::clamp(heldFore + 0.01 * (speed - f.speed()), -1.0, 1.0);
        }
        const double fore = speed > 0.0 ? std::clamp(heldFore + 0.2 * (speed - f.speed()), -1.0, 1.0) : 0.0;
        start::setWeightShift(f.flight, lateral, fore);
        f.look();
    }
}
