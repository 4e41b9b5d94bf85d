// The simple pilot's soaring: it knows nothing of where thermals are, only
// what the variometer reads where it flies, as a pilot does.
#include <cmath>

#include "autopilot/SimplePilot.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kLookInterval = kSecondsPerStep; // (unit: s) the pilot looks every step
constexpr double kVarioLag = 2.0;      // (unit: s) an averaging variometer's
// (unit: m/s) the averaged climb that makes a pilot turn: about a metre a
// second better than still air, the thermal's fringe.
constexpr double kEnterClimb = 0.0;

} // namespace

double SimplePilot::soarBank(const PilotView& view) {
    if (searchTrack < 0.0) {
        searchTrack = view.track;
    }
    vario += (view.velocity.z - vario) * (kLookInterval / kVarioLag);
    lift.feel(view.position.x, view.position.y, view.velocity.z, kLookInterval);
    if (!thermalling && vario > kEnterClimb) {
        // Reichmann's first rule: in lift, turn. The circle walks onto the
        // strongest lift felt as each turn adds to the estimate.
        thermalling = true;
    }
    if (!thermalling) {
        return bankTowards(searchTrack, view, 0);
    }
    return circleBank(lift.x(), lift.y(), plan.bank, view);
}
