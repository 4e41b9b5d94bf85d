#include "scene/PilotSeat.h"

#include <cmath>

#include "scene/ModelTraits.h"

namespace start {

PilotView pilotView(const Flight& flight) {
    PilotView view = observe(*flight.glider, *flight.world);
    const SteeringLimits& limits =
        flight.model == FlightModel::Realistic ? realisticTraits().steering : classicTraits().steering;
    const double pressesPerRange = limits.lateralRange / limits.lateralStep;
    const WeightShift shift = weightShiftOf(flight);
    view.barPresses = static_cast<int>(std::lround(shift.lateral * pressesPerRange));
    view.barLimit = static_cast<int>(std::lround(pressesPerRange));
    const double forePressesPerRange = limits.foreRange / limits.foreStep;
    view.forePresses = static_cast<int>(std::lround(shift.fore * forePressesPerRange));
    view.foreLimit = static_cast<int>(std::lround(forePressesPerRange));
    return view;
}

PilotGains pilotGainsFor(FlightModel model) {
    PilotGains gains;
    if (model == FlightModel::Realistic) {
        // The wing answers a shift within a second or two and, once steep,
        // wants to roll on: a gentle hand against the roll, the high side a
        // held bank needs learned as it goes and forgotten when it no longer
        // fits, the course onto the circle held firmly, and the bar pushed
        // out a little while circling, nearer the speed that sinks least at
        // a thermalling bank than the glider's trim is.
        gains.pressesPerBankError = 0.4;
        gains.pressesPerRollRate = 0.3;
        gains.pressesPerBankErrorSecond = 0.3;
        gains.heldForgetSeconds = 2.0;
        gains.courseRate = 0.4;
        gains.rollLeadSeconds = 1.5;
        gains.circleForePresses = 3;
    }
    return gains;
}

void pressFor(Flight& flight, PilotCommand command) {
    if (command != PilotCommand::None) {
        applyCommand(flight, command);
    }
}

} // namespace start
