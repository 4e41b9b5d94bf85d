#include "flight/FlightRecorder.h"

#include "scene/PilotSeat.h"
#include "recording/CsvWriter.h"
#include "recording/FlightSample.h"
#include "recording/IgcWriter.h"

namespace flight {

namespace {

// Writes the step's row and fix if it has any. Returns false, writing
// nothing, if the pilot's sample is not all finite numbers.
bool report(const start::Flight& flight, const RecordingPlan& plan, int step, bool lastStep) {
    const bool csvRow = plan.csv && isCsvRowStep(step, plan.every, lastStep);
    const bool igcFix = plan.igc && isIgcFixStep(step);
    if (!csvRow && !igcFix) {
        return true;
    }
    FlightSample sample = samplePilot(*flight.glider, *flight.world, *flight.terrain, step);
    if (!isFinite(sample)) {
        return false;
    }
    if (plan.air) {
        sample.air = airAtPilot(*flight.glider, *flight.world);
    }
    if (csvRow) {
        writeCsvRow(plan.csv, sample, plan.air);
    }
    if (igcFix) {
        writeIgcFix(plan.igc, plan.placement, sample);
    }
    return true;
}

} // namespace

RecordingPlan planFrom(const FlightOptions& options, std::FILE* csv, std::FILE* igc) {
    RecordingPlan plan;
    plan.steps = options.steps;
    plan.untilLanded = options.untilLanded;
    plan.keys = &options.keys;
    plan.csv = csv;
    plan.every = options.every;
    plan.igc = igc;
    plan.placement.origin = options.origin;
    plan.date = options.date;
    plan.air = options.air;
    plan.untilGoal = options.untilGoal;
    return plan;
}

FlightSummary recordFlight(start::Flight& flight, const RecordingPlan& plan) {
    Glider& glider = *flight.glider;
    const HeightField& terrain = *flight.terrain;
    if (plan.csv) {
        writeCsvHeader(plan.csv, plan.air);
    }
    const bool piloted = plan.pilot != nullptr && plan.pilot->mode != PilotPlan::Mode::None;
    const Vector3D& wind = flight.world->windVelocity();
    SimplePilot pilot(piloted ? *plan.pilot : PilotPlan(), wind.x, wind.y, PilotLimits(), start::pilotGainsFor(flight.model));
    if (plan.igc) {
        writeIgcHeader(plan.igc, plan.date);
        for (const std::string& line : plan.igcDeclaration) {
            std::fprintf(plan.igc, "%s\r\n", line.c_str());
        }
    }
    const bool taskPiloted = piloted && plan.pilot->mode == PilotPlan::Mode::Task && plan.taskRun != nullptr;
    if (plan.taskRun) {
        plan.taskRun->follow(flight);
    }

    FlightSummary summary;
    summary.start = glider.pilotParticle().position;
    summary.finish = summary.start;
    report(flight, plan, 0, plan.steps == 0);

    std::size_t nextKey = 0;
    const std::size_t keyCount = plan.keys ? plan.keys->size() : 0;
    for (int done = 0; done < plan.steps; ++done) {
        while (nextKey < keyCount && (*plan.keys)[nextKey].step == done) {
            start::applyCommand(flight, (*plan.keys)[nextKey].command);
            if (plan.taskRun && (*plan.keys)[nextKey].command == PilotCommand::Reset) {
                plan.taskRun->restart();
            }
            ++nextKey;
        }
        if (taskPiloted) {
            start::pressFor(flight, plan.taskRun->decide(flight));
        } else if (piloted) {
            start::pressFor(flight, pilot.decide(start::pilotView(flight)));
        }
        flight.world->step();
        const int stepsRun = done + 1;
        // A state that is no longer numbers stays so: stop before it is
        // written anywhere or taken for a landing.
        const int nonFinite = firstNonFiniteParticle(*flight.world);
        if (nonFinite >= 0) {
            summary.divergedStep = stepsRun;
            summary.divergedParticle = nonFinite;
            break;
        }
        summary.steps = stepsRun;
        if (plan.taskRun) {
            plan.taskRun->follow(flight);
        }
        if (summary.landedStep < 0) {
            summary.finish = glider.pilotParticle().position;
            if (pilotRestsOnGround(glider, terrain)) {
                summary.landedStep = stepsRun;
            }
        }
        const bool lastStep = stepsRun == plan.steps || (plan.untilLanded && summary.landedStep >= 0) ||
                              (plan.untilGoal && plan.taskRun && plan.taskRun->progress() &&
                               plan.taskRun->progress()->status().finished);
        if (!report(flight, plan, stepsRun, lastStep)) {
            summary.divergedStep = stepsRun;
            summary.divergedParticle = glider.pilotParticle().index;
            break;
        }
        if (lastStep) {
            break;
        }
    }
    return summary;
}

} // namespace flight
