#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "autopilot/SimplePilot.h"
#include "pilot/FlightInstruments.h"
#include "python/src/FlightBuild.h"
#include "setup/TaskRun.h"

namespace glidersim {

// One flight stepped from outside, step for step as glider-flight flies it:
// before each step the keys the command line plans for it, then its simple
// pilot if it has one; after it the same checks for divergence and landing.
// Weight shift and keys given between calls act before the next step.
class World {
public:
    // What a pilot or an autonomous glider senses, in this order.
    enum Observation {
        Airspeed,      // (unit: m/s) through the air at the pilot
        Vario,         // (unit: m/s) the damped variometer
        Bank,          // (unit: degrees) positive with the right wing down
        Heading,       // (unit: degrees) clockwise from +y
        Height,        // (unit: m) above the ground under the pilot
        UpdraftLeft,   // (unit: m/s) the air's vertical speed at the left wingtip
        UpdraftRight,  // (unit: m/s) and at the right one
        ObservationSize
    };
    // Where the flight stands on its task, in this order; NaN without a task.
    enum TaskFigure {
        TaskDistance,   // (unit: m) the optimised task, start to finish through the zones
        DistanceFlown,  // (unit: m) the most of it made good so far; all of it once finished
        PointsReached,  // the task's points reached in order, the start first: the next one's index
        Finished,       // 1 once the finish is reached, else 0
        NextDistance,   // (unit: m) to the next zone on the optimised route
        NextBearing,    // (unit: degrees) to it, clockwise from +y
        Elapsed,        // (unit: s) since the start, up to the finish
        ArrivalHeight,  // (unit: m) over the next point, gliding at a hang glider's best
        TaskFigureCount
    };

    // Throws BuildFailure for what glider-flight refuses. `record` keeps the
    // CSV's rows and the IGC's fixes as the flight goes.
    World(const std::vector<std::string>& args, bool record);

    // Runs up to `steps` steps; stops early once diverged (never at the goal
    // or a landing: the caller decides). Returns the steps run.
    int step(int steps);
    // Flies the command line's whole run: its steps, or to the landing with
    // --until-landed, or to the finish with --until-goal. Returns false if
    // the flight diverged.
    bool runPlan();

    void setWeightShift(double lateral, double fore);
    start::WeightShift weightShift() const;
    void press(PilotCommand command);

    int stepsRun() const { return stepsDone; }
    int landedStep() const { return landed; }            // -1: not yet
    int goalStep() const { return goal; }                // -1: not yet, or no task
    bool diverged() const { return divergedAt >= 0; }
    // glider-flight's line for the divergence; empty while the flight holds.
    std::string divergence() const;

    const FlightBuild& build() const { return *setup; }
    const start::Flight& flight() const { return setup->flight(); }
    const FlightInstruments& instruments() const { return panel; }
    void observe(double* out) const;
    // The task's follower; null without a task.
    const setup::TaskRun* taskRun() const { return tasks ? &*tasks : nullptr; }
    void taskFigures(double* out) const;
    // The wingtips, as world particles, left then right seen from the pilot.
    const Particle& leftTip() const { return *tips[0]; }
    const Particle& rightTip() const { return *tips[1]; }

    // Recorded CSV rows, with the current state last as glider-flight's
    // final row; and the IGC's fixes.
    std::vector<Sample> rows() const;
    const std::vector<Sample>& fixes() const { return recordedFixes; }
    bool recording() const { return record; }

private:
    bool stepOnce(bool lastOfPlan);
    // Keeps the rows and fixes due now; false, keeping nothing, if the
    // pilot's sample is not all finite numbers.
    bool recordAt(bool lastStep);

    std::unique_ptr<FlightBuild> setup;
    SimplePilot pilot;
    bool piloted = false;
    bool taskPiloted = false; // the task pilot flies instead of the simple one
    // Follows the task (if any) step by step, as glider-flight's recorder does.
    std::optional<setup::TaskRun> tasks;
    bool record = false;
    FlightInstruments panel;
    const Particle* tips[2] = {nullptr, nullptr};
    std::size_t nextKey = 0;
    int stepsDone = 0;
    int landed = -1;
    int goal = -1;
    int divergedAt = -1;
    int divergedParticle = -1;
    std::vector<Sample> recordedRows;
    std::vector<Sample> recordedFixes;
};

} // namespace glidersim
