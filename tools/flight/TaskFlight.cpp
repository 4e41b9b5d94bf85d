#include "flight/TaskFlight.h"

#include <cstdio>

#include "recording/IgcWriter.h"
#include "task/IgcTaskDeclaration.h"

namespace flight {

int TaskFlight::open(const FlightOptions& options) {
    date = options.date;
    if (!options.nmea.empty()) {
        std::string error;
        link = nmea::openNmeaLink(options.nmea, error);
        if (!link) {
            std::fprintf(stderr, "glider-flight: --nmea: %s\n", error.c_str());
            return 2;
        }
    }
    return 0;
}

void TaskFlight::follow(const setup::ReadyFlight& flight) {
    ready = &flight;
    if (flight.task || link) {
        // The log's clock: its first fix is at noon.
        run.emplace(flight, link.get(), date, static_cast<double>(kIgcStartSecondOfDay));
    }
}

void TaskFlight::addTo(RecordingPlan& plan) {
    if (!run) {
        return;
    }
    plan.taskRun = &*run;
    if (ready->task) {
        plan.igcDeclaration =
            task::igcTaskDeclaration(*ready->task, {date.year, date.month, date.day, kIgcStartSecondOfDay}, 1);
    }
}

std::string TaskFlight::summaryFields() const {
    if (!run || !ready->task) {
        return {};
    }
    return " " + run->resultFields();
}

} // namespace flight
