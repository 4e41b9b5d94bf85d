#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "autopilot/PilotPlan.h"
#include "scene/StartScene.h"
#include "glider/PilotCommand.h"
#include "recording/FlightSample.h"
#include "flight/FlightOptions.h"
#include "setup/FlightSetup.h"

namespace glidersim {
struct BuiltFlight;
}

// The module's one seam onto how a flight is built from glider-flight's
// argument list and how its trajectory is written as CSV and IGC. Nothing
// else in the module reads options, builds terrain or formats files.
namespace glidersim {

// A command line glider-flight refuses: its exit status and the one line it
// prints after the program's name.
class BuildFailure : public std::runtime_error {
public:
    BuildFailure(int status_, const std::string& line) : std::runtime_error(line), status(status_) {}
    int status;
};

using Sample = flight::FlightSample;
using KeyPress = flight::KeyPress;

// What a command line flies, built and prepared, and its recording plan.
class FlightBuild {
public:
    // Throws BuildFailure where glider-flight would exit before flying
    // (a help request included, its usage text as the message).
    explicit FlightBuild(const std::vector<std::string>& args);
    ~FlightBuild();
    FlightBuild(const FlightBuild&) = delete;
    FlightBuild& operator=(const FlightBuild&) = delete;

    start::Flight& flight();
    const start::Flight& flight() const;
    int steps() const;             // the planned run's length
    bool untilLanded() const;      // the run stops at the first landing
    bool untilGoal() const;        // the run stops once the task's finish is reached
    const std::vector<KeyPress>& keys() const; // by step
    int every() const;             // a CSV row every `every` steps
    bool air() const;              // the CSV carries the air at the pilot
    const PilotPlan& pilot() const; // mode None: nobody flies but the keys
    const std::string& csvPath() const; // "-": none named
    const std::string& igcPath() const; // empty: none
    // The flight as the one flight setup built it: its task (null: none) and map.
    const setup::ReadyFlight& ready() const;
    const flight::CalendarDate& date() const; // the flight log's day

    // The pilot's state after `step` steps, the air in it when the CSV has it.
    Sample sample(int step) const;
    // Writes rows (CSV cadence) or fixes (whole seconds, after the task's
    // declaration) as glider-flight does, whole or not at all; returns "" or
    // one line naming the path.
    std::string writeCsv(const std::string& path, const std::vector<Sample>& rows) const;
    std::string writeIgc(const std::string& path, const std::vector<Sample>& fixes) const;

private:
    std::unique_ptr<BuiltFlight> setup;
};

// The CSV's columns, and one sample as a row of them.
std::vector<std::string> csvColumns(bool air);
void csvRow(const Sample& sample, bool air, double* row);
bool isCsvRowStep(int step, int every, bool lastStep);
bool isIgcFixStep(int step);
bool isFinite(const Sample& sample);
// The world index of the first particle that is no longer finite, else -1.
int firstNonFiniteParticle(const ParticleSystem& world);
// The test glider-flight takes for a landing.
bool pilotRestsOnGround(const Glider& glider, const HeightField& terrain);
// glider-flight's line for a flight that stopped being numbers.
std::string divergenceMessage(int divergedStep, int particle, int pilotIndex);
// A key name as --key takes it; false for any other.
bool commandFromKeyName(const std::string& name, PilotCommand& command);

} // namespace glidersim
