#include "python/src/FlightBuild.h"

#include "recording/CsvWriter.h"
#include "recording/IgcWriter.h"
#include "recording/OutputFile.h"
#include "setup/FlightSetup.h"
#include "task/IgcTaskDeclaration.h"
#include "flight/FlightSummary.h"
#include "flight/GliderFlight.h"

namespace glidersim {

// glider-flight's options and the flight the one flight setup built from them.
struct BuiltFlight {
    flight::FlightOptions options;
    setup::ReadyFlight ready;
    PilotPlan pilot;
};

namespace {

// Opens, writes through `write`, finishes and commits one output.
template <typename Write>
std::string writeOutput(const std::string& path, Write write) {
    flight::OutputFile out;
    std::string reason = out.open(path);
    if (reason.empty()) {
        write(out.stream());
        if ((reason = out.finish()).empty()) {
            reason = out.commit();
        }
    }
    return reason;
}

} // namespace

FlightBuild::FlightBuild(const std::vector<std::string>& args) : setup(std::make_unique<BuiltFlight>()) {
    std::vector<const char*> argv;
    argv.push_back("glider-flight");
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    const flight::CommandLine line = flight::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (line.outcome != flight::CommandLine::Outcome::Run) {
        throw BuildFailure(line.outcome == flight::CommandLine::Outcome::Help ? 0 : 2, line.message);
    }
    setup->options = line.options;
    // A flight computer's link is a live connection out of the process: the
    // module keeps to what it can hand back to its caller.
    if (!line.options.nmea.empty()) {
        throw BuildFailure(2, "--nmea: the glidersim module sends no NMEA (glider-flight does)");
    }
    // The same checks and the same flight as glider-flight.
    std::string refusal;
    setup->ready = flight::buildProgramFlight(line.options, refusal);
    if (!refusal.empty()) {
        throw BuildFailure(2, refusal);
    }
    setup->pilot = setup->ready.scenario.pilot;
}

FlightBuild::~FlightBuild() = default;

start::Flight& FlightBuild::flight() { return setup->ready.flight; }
const start::Flight& FlightBuild::flight() const { return setup->ready.flight; }
int FlightBuild::steps() const { return setup->options.steps; }
bool FlightBuild::untilLanded() const { return setup->options.untilLanded; }
bool FlightBuild::untilGoal() const { return setup->options.untilGoal; }
const setup::ReadyFlight& FlightBuild::ready() const { return setup->ready; }
const flight::CalendarDate& FlightBuild::date() const { return setup->options.date; }
const std::vector<KeyPress>& FlightBuild::keys() const { return setup->options.keys; }
int FlightBuild::every() const { return setup->options.every; }
bool FlightBuild::air() const { return setup->options.air; }
const PilotPlan& FlightBuild::pilot() const { return setup->pilot; }
const std::string& FlightBuild::csvPath() const { return setup->options.csvPath; }
const std::string& FlightBuild::igcPath() const { return setup->options.igcPath; }

Sample FlightBuild::sample(int step) const {
    const start::Flight& f = setup->ready.flight;
    Sample s = flight::samplePilot(*f.glider, *f.world, *f.terrain, step);
    if (setup->options.air) {
        s.air = flight::airAtPilot(*f.glider, *f.world);
    }
    return s;
}

std::string FlightBuild::writeCsv(const std::string& path, const std::vector<Sample>& rows) const {
    const bool withAir = air();
    return writeOutput(path, [&](std::FILE* out) {
        flight::writeCsvHeader(out, withAir);
        for (const Sample& row : rows) {
            flight::writeCsvRow(out, row, withAir);
        }
    });
}

std::string FlightBuild::writeIgc(const std::string& path, const std::vector<Sample>& fixes) const {
    const BuiltFlight& s = *setup;
    const flight::EarthPlacement placement = s.ready.placement();
    const flight::CalendarDate& d = s.options.date;
    const std::vector<std::string> declaration =
        s.ready.task ? task::igcTaskDeclaration(*s.ready.task, {d.year, d.month, d.day, flight::kIgcStartSecondOfDay}, 1)
                     : std::vector<std::string>();
    return writeOutput(path, [&](std::FILE* out) {
        flight::writeIgcHeader(out, s.options.date);
        for (const std::string& line : declaration) {
            std::fprintf(out, "%s\r\n", line.c_str());
        }
        for (const Sample& fix : fixes) {
            flight::writeIgcFix(out, placement, fix);
        }
    });
}

std::vector<std::string> csvColumns(bool air) {
    std::string header = flight::kCsvHeader;
    if (air) {
        header += flight::kCsvAirColumns;
    }
    std::vector<std::string> names;
    std::size_t from = 0;
    for (std::size_t comma; (comma = header.find(',', from)) != std::string::npos; from = comma + 1) {
        names.push_back(header.substr(from, comma - from));
    }
    names.push_back(header.substr(from));
    return names;
}

void csvRow(const Sample& s, bool air, double* row) {
    const double values[] = {static_cast<double>(s.step), s.time, s.position.x, s.position.y, s.position.z,
                             s.velocity.x, s.velocity.y, s.velocity.z, s.speed, s.terrainHeight,
                             s.air.x, s.air.y, s.air.z};
    const int count = air ? 13 : 10;
    for (int i = 0; i < count; ++i) {
        row[i] = values[i];
    }
}

bool isCsvRowStep(int step, int every, bool lastStep) { return flight::isCsvRowStep(step, every, lastStep); }
bool isIgcFixStep(int step) { return flight::isIgcFixStep(step); }
bool isFinite(const Sample& sample) { return flight::isFinite(sample); }
int firstNonFiniteParticle(const ParticleSystem& world) { return flight::firstNonFiniteParticle(world); }
bool pilotRestsOnGround(const Glider& glider, const HeightField& terrain) {
    return flight::pilotRestsOnGround(glider, terrain);
}

std::string divergenceMessage(int divergedStep, int particle, int pilotIndex) {
    flight::FlightSummary summary;
    summary.divergedStep = divergedStep;
    summary.divergedParticle = particle;
    return flight::divergenceLine(summary, pilotIndex);
}

bool commandFromKeyName(const std::string& name, PilotCommand& command) {
    return flight::commandFromKeyName(name, command);
}

} // namespace glidersim
