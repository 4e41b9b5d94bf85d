#include "setup/TaskSetup.h"

#include "task/CupFile.h"
#include "task/TaskOption.h"

namespace setup {

namespace {

// Inline points as a .cup task of their own: the start is also the takeoff,
// the finish the landing; the zones are the usual ones.
std::string buildInlineTask(const Scenario::TaskSource& source, const std::string& scenarioFile,
                            const task::ToLocal& toLocal, task::Task& out) {
    task::CupFile file;
    task::CupTask cupTask;
    cupTask.name = "Scenario task";
    const std::size_t n = source.points.size();
    for (std::size_t i = 0; i < n; ++i) {
        task::CupWaypoint w;
        w.name = i == 0 ? "Start" : i + 1 == n ? "Finish" : "TP" + std::to_string(i);
        w.code = w.name;
        w.position = source.points[i];
        file.waypoints.push_back(w);
        cupTask.points.push_back(w.name);
    }
    cupTask.points.insert(cupTask.points.begin(), cupTask.points.front());
    cupTask.points.push_back(cupTask.points.back());
    file.tasks.push_back(cupTask);
    const std::string name = (scenarioFile.empty() ? std::string("scenario") : scenarioFile) + " [task] points";
    return task::buildTask(file, name, "", toLocal, out);
}

} // namespace

std::string placeTask(const std::string& option, const Scenario& scenario, const HeightField& terrain,
                      const MapProjection* projection, const flight::GeoOrigin& origin,
                      std::unique_ptr<task::Task>& out) {
    out.reset();
    const Scenario::TaskSource& source = scenario.task;
    if (option.empty() && !source.given()) {
        return {};
    }
    task::ToLocal toLocal;
    if (projection != nullptr) {
        toLocal = [projection](const GeoCoordinate& where, double& x, double& y) {
            return projection->toLocal(where, x, y);
        };
    } else {
        toLocal = task::sphericalProjection(origin.latitude, origin.longitude);
    }
    auto placed = std::make_unique<task::Task>();
    std::string error;
    if (!option.empty()) {
        error = task::loadTask(option, toLocal, *placed);
        if (!error.empty()) {
            return "--task: " + error;
        }
    } else if (!source.cupFile.empty()) {
        task::CupFile file;
        error = task::readCupFile(source.cupFile, file);
        if (error.empty()) {
            error = task::buildTask(file, source.cupFile, source.name, toLocal, *placed);
        }
    } else {
        error = buildInlineTask(source, scenario.file, toLocal, *placed);
        if (error.empty()) {
            // Points given by place alone lie at the ground's height there.
            for (task::TaskPoint* p : {&placed->takeoff, &placed->landing}) {
                p->elevation = terrain.heightAt(p->zone.x, p->zone.y) + origin.elevation;
            }
            for (task::TaskPoint& p : placed->points) {
                p.elevation = terrain.heightAt(p.zone.x, p.zone.y) + origin.elevation;
            }
        }
    }
    if (!error.empty()) {
        return error;
    }
    out = std::move(placed);
    return {};
}

} // namespace setup
