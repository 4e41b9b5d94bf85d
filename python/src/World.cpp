#include "python/src/World.h"

#include <algorithm>
#include <limits>

#include "autopilot/PilotView.h"
#include "pilot/FlightReading.h"
#include "recording/IgcWriter.h"
#include "scene/PilotSeat.h"

namespace glidersim {

World::World(const std::vector<std::string>& args, bool record_)
    : setup(std::make_unique<FlightBuild>(args)), pilot(PilotPlan(), 0.0, 0.0), record(record_) {
    start::Flight& f = setup->flight();
    piloted = setup->pilot().mode != PilotPlan::Mode::None;
    const Vector3D& wind = f.world->windVelocity();
    pilot = SimplePilot(piloted ? setup->pilot() : PilotPlan(), wind.x, wind.y, PilotLimits(),
                        start::pilotGainsFor(f.model));
    if (setup->ready().task) {
        // The log's clock, as glider-flight's: its first fix is at noon.
        tasks.emplace(setup->ready(), nullptr, setup->date(), static_cast<double>(flight::kIgcStartSecondOfDay));
        taskPiloted = piloted && setup->pilot().mode == PilotPlan::Mode::Task;
        tasks->follow(f);
    }

    // The last wing row ends in the tips. Which one is on the pilot's left
    // is fixed by the build: seen from the hub looking to the apex.
    const Glider& glider = *f.glider;
    const int lastRow = glider.subdivisionCount();
    const Particle& first = glider.wingParticle(Glider::rowStart(lastRow));
    const Particle& last = glider.wingParticle(Glider::rowStart(lastRow) + lastRow);
    const Vector3D forward = glider.wingParticle(0).position - glider.hubParticle().position;
    const Vector3D across = first.position - last.position;
    // forward × up points to the right; `first` is left when it lies against it.
    const double rightward = forward.y * across.x - forward.x * across.y;
    const bool firstIsLeft = rightward < 0.0;
    tips[0] = firstIsLeft ? &first : &last;
    tips[1] = firstIsLeft ? &last : &first;

    panel.restart(glider.pilotParticle().position, 0.0);
    panel.update(readFlight(glider, *f.world, *f.terrain), 0.0);
    if (record) {
        recordAt(setup->steps() == 0);
    }
}

bool World::recordAt(bool lastStep) {
    const bool row = isCsvRowStep(stepsDone, setup->every(), lastStep);
    const bool fix = isIgcFixStep(stepsDone);
    if (!row && !fix) {
        return true;
    }
    const Sample sample = setup->sample(stepsDone);
    if (!glidersim::isFinite(sample)) {
        return false;
    }
    if (row) {
        recordedRows.push_back(sample);
    }
    if (fix) {
        recordedFixes.push_back(sample);
    }
    return true;
}

bool World::stepOnce(bool lastOfPlan) {
    start::Flight& f = setup->flight();
    const std::vector<KeyPress>& keys = setup->keys();
    while (nextKey < keys.size() && keys[nextKey].step == stepsDone) {
        press(keys[nextKey].command);
        ++nextKey;
    }
    if (taskPiloted) {
        start::pressFor(f, tasks->decide(f));
    } else if (piloted) {
        start::pressFor(f, pilot.decide(start::pilotView(f)));
    }
    f.world->step();
    ++stepsDone;
    // A state that is no longer numbers stays so: stop before it is taken
    // for a landing or read by the instruments.
    const int nonFinite = firstNonFiniteParticle(*f.world);
    if (nonFinite >= 0) {
        divergedAt = stepsDone;
        divergedParticle = nonFinite;
        return false;
    }
    if (tasks) {
        tasks->follow(f);
        if (goal < 0 && tasks->progress() != nullptr && tasks->progress()->status().finished) {
            goal = stepsDone;
        }
    }
    if (landed < 0 && pilotRestsOnGround(*f.glider, *f.terrain)) {
        landed = stepsDone;
    }
    panel.update(readFlight(*f.glider, *f.world, *f.terrain), start::kSecondsPerStep);
    if (record) {
        const bool planEnds = lastOfPlan || (setup->untilLanded() && landed == stepsDone) ||
                              (setup->untilGoal() && goal == stepsDone);
        if (!recordAt(planEnds)) {
            divergedAt = stepsDone;
            divergedParticle = f.glider->pilotParticle().index;
        }
    }
    return divergedAt < 0;
}

int World::step(int steps) {
    int run = 0;
    while (run < steps && divergedAt < 0) {
        stepOnce(stepsDone + 1 == setup->steps());
        ++run;
    }
    return run;
}

bool World::runPlan() {
    while (divergedAt < 0 && stepsDone < setup->steps() && !(setup->untilLanded() && landed >= 0) &&
           !(setup->untilGoal() && goal >= 0)) {
        stepOnce(stepsDone + 1 == setup->steps());
    }
    return divergedAt < 0;
}

void World::setWeightShift(double lateral, double fore) { start::setWeightShift(setup->flight(), lateral, fore); }

start::WeightShift World::weightShift() const { return start::weightShiftOf(setup->flight()); }

void World::press(PilotCommand command) {
    start::applyCommand(setup->flight(), command);
    // Put back at its start, the glider's task goes on and its score starts afresh.
    if (tasks && command == PilotCommand::Reset) {
        tasks->restart();
    }
}

void World::taskFigures(double* out) const {
    const task::TaskProgress* progress = tasks ? tasks->progress() : nullptr;
    if (progress == nullptr) {
        std::fill(out, out + TaskFigureCount, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    const task::TaskStatus& s = progress->status();
    out[TaskDistance] = s.taskDistance;
    out[DistanceFlown] = s.distanceFlown;
    out[PointsReached] = s.nextPoint;
    out[Finished] = s.finished ? 1.0 : 0.0;
    out[NextDistance] = s.nextDistance;
    out[NextBearing] = s.nextBearing;
    out[Elapsed] = s.elapsed;
    out[ArrivalHeight] = s.arrivalHeight;
}

std::string World::divergence() const {
    return divergedAt < 0 ? std::string()
                          : divergenceMessage(divergedAt, divergedParticle, flight().glider->pilotParticle().index);
}

void World::observe(double* out) const {
    const start::Flight& f = flight();
    const double now = f.world->simulatedTime();
    const AirField& air = f.world->airField();
    out[Airspeed] = panel.airspeed();
    out[Vario] = panel.vario();
    out[Bank] = ::observe(*f.glider, *f.world).bank;
    out[Heading] = panel.heading();
    out[Height] = panel.heightAboveGround();
    out[UpdraftLeft] = air.velocityAt(tips[0]->position, now).z;
    out[UpdraftRight] = air.velocityAt(tips[1]->position, now).z;
}

std::vector<Sample> World::rows() const {
    std::vector<Sample> all = recordedRows;
    if (divergedAt < 0 && (all.empty() || all.back().step != stepsDone)) {
        all.push_back(setup->sample(stepsDone));
    }
    return all;
}

} // namespace glidersim
