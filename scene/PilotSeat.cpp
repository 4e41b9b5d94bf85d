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
        // A flexible wing rolls slowly and, once steep, wants to roll on: a
        // gentle hand against the roll, the high side a held bank needs
        // learned as it goes, and the bar out a little while circling.
        gains.pressesPerBankError = 0.4;
        gains.pressesPerRollRate = 0.3;
        gains.pressesPerBankErrorSecond = 0.3;
        gains.circleForePresses = 4;
    }
    return gains;
}

void pressFor(Flight& flight, PilotCommand command) {
    if (command != PilotCommand::None) {
        applyCommand(flight, command);
    }
}

} // namespace start
