// The simple pilot's soaring: it knows nothing of where thermals are, only
// what the variometer reads where it flies, as a pilot does.
#include <cmath>

#include "autopilot/SimplePilot.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kGravity = 9.80665; // (unit: m/s²)
constexpr double kLookInterval = kSecondsPerStep; // (unit: s) the pilot looks every step
constexpr double kVarioLag = 2.0;      // (unit: s) an averaging variometer's
constexpr double kFeelLag = 0.5;       // (unit: s) the climb felt at each place
// (unit: m/s) the lift, above still air's sink, that makes a pilot turn:
// the thermal's fringe.
constexpr double kEnterLift = 0.5;
constexpr double kStillAirSink = 1.0; // (unit: m/s) what the variometer reads with no lift

} // namespace

double SimplePilot::soarBank(const PilotView& view) {
    if (searchTrack < 0.0) {
        searchTrack = view.track;
        lastAirspeed = view.airspeed;
        vario = felt = -kStillAirSink;
    }
    // A total-energy variometer: the climb plus the height the speed gained
    // would buy, so the glider's own pitching and speed changes read as
    // nothing and only the air's rising does.
    const double speedGain = view.airspeed * (view.airspeed - lastAirspeed) / (kGravity * kLookInterval);
    lastAirspeed = view.airspeed;
    const double climb = view.velocity.z + speedGain;
    vario += (climb - vario) * (kLookInterval / kVarioLag);
    felt += (climb - felt) * (kLookInterval / kFeelLag);
    lift.feel(view.position.x, view.position.y, felt, kLookInterval);
    if (!thermalling && vario > kEnterLift - kStillAirSink) {
        // Reichmann's first rule: in lift, turn. The circle walks onto the
        // strongest lift felt as each turn adds to the estimate.
        thermalling = true;
    }
    if (!thermalling) {
        return bankTowards(searchTrack, view, 0);
    }
    return circleBank(lift.x(), lift.y(), plan.bank, view);
}
