#include "scene/PilotSeat.h"

#include <cmath>

#include "scene/ModelTraits.h"

namespace start {

PilotView pilotView(const Flight& flight) {
    PilotView view = observe(*flight.glider, *flight.world);
    const SteeringLimits& limits =
        flight.model == FlightModel::Realistic ? realisticTraits().steering : classicTraits().steering;
    const double pressesPerRange = limits.lateralRange / limits.lateralStep;
    view.barPresses = static_cast<int>(std::lround(weightShiftOf(flight).lateral * pressesPerRange));
    view.barLimit = static_cast<int>(std::lround(pressesPerRange));
    return view;
}

int keyFor(PilotCommand command) {
    switch (command) {
    case PilotCommand::Left:
        return kKeyLeft;
    case PilotCommand::Right:
        return kKeyRight;
    case PilotCommand::Fore:
        return kKeyUp;
    case PilotCommand::Aft:
        return kKeyDown;
    case PilotCommand::Reset:
        return kKeyF1;
    case PilotCommand::None:
        break;
    }
    return 0;
}

void pressFor(Flight& flight, PilotCommand command) {
    if (command != PilotCommand::None) {
        applySpecialKey(flight, keyFor(command));
    }
}

} // namespace start
