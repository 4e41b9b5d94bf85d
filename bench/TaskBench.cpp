// The cross-country task's costs: following a task every step (against the
// realistic step, BM_WorldStepRealistic), reading a large .cup file, and
// scoring a flight's track.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "task/CupFile.h"
#include "physics/SharedConstants.h"
#include "task/FreeFlightScore.h"
#include "task/TaskProgress.h"

namespace {

// 500 waypoints on a grid around 46 N 7 E, then 10 tasks of five turnpoints
// with their options and zones, written the way SeeYou writes them.
std::string largeCupFile() {
    std::string text = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n";
    char line[256];
    for (int i = 0; i < 500; ++i) {
        std::snprintf(line, sizeof line,
                      "\"Point %d, the hill\",\"P%03d\",CH,46%02d.%03dN,007%02d.%03dE,%dft,1,,,,\"Turnpoint %d\"\r\n", i, i,
                      i % 50, (i * 37) % 1000, i / 10, (i * 91) % 1000, 1000 + 7 * i, i);
        text += line;
    }
    text += "-----Related Tasks-----\r\n";
    for (int t = 0; t < 10; ++t) {
        std::snprintf(line, sizeof line, "\"Task %d\"", t);
        text += line;
        for (int k = 0; k < 9; ++k) {
            std::snprintf(line, sizeof line, ",\"Point %d, the hill\"", (t * 41 + k * 53) % 500);
            text += line;
        }
        text += "\r\nOptions,NoStart=12:00:00,TaskTime=02:30:00,WpDis=True\r\n";
        text += "ObsZone=0,Style=2,R1=5km,A1=180\r\n";
        for (int z = 1; z < 6; ++z) {
            std::snprintf(line, sizeof line, "ObsZone=%d,Style=1,R1=400m,A1=180\r\n", z);
            text += line;
        }
        text += "ObsZone=6,Style=3,R1=1km,A1=180,Line=1\r\n";
    }
    return text;
}

void BM_ReadLargeCupFile(benchmark::State& state) {
    const std::string text = largeCupFile();
    for (auto _ : state) {
        task::CupFile file;
        const std::string error = task::readCupText(text, "large.cup", file);
        if (!error.empty() || file.waypoints.size() != 500 || file.tasks.size() != 10) {
            state.SkipWithError(error.c_str());
        }
        benchmark::DoNotOptimize(file);
    }
}
BENCHMARK(BM_ReadLargeCupFile)->Unit(benchmark::kMillisecond);

task::TaskPoint cylinderAt(double x, double y, double radius) {
    task::TaskPoint p;
    p.zone.x = x;
    p.zone.y = y;
    p.zone.radius = radius;
    return p;
}

// One step's update of a five-turnpoint task, the glider circling on the
// first leg (so every step measures the way on and looks for a crossing).
void BM_TaskProgressStep(benchmark::State& state) {
    task::Task t;
    t.points = {cylinderAt(0, 0, 2000),        cylinderAt(12000, 3000, 400), cylinderAt(20000, -8000, 400),
                cylinderAt(8000, -15000, 400), cylinderAt(-5000, -9000, 400), cylinderAt(-1000, -2000, 400)};
    task::orientZones(t.points, std::vector<int>(6, 1), std::vector<double>(6, 0.0));
    task::TaskProgress progress(t, 10.0);
    double time = 0.0;
    progress.update(time, 2500.0, 0.0, 1500.0);
    for (auto _ : state) {
        time += 0.01;
        progress.update(time, 5000.0 + 60.0 * std::sin(time * 0.3), 1000.0 + 60.0 * std::cos(time * 0.3), 1500.0);
        benchmark::DoNotOptimize(progress.status());
    }
}
BENCHMARK(BM_TaskProgressStep);

// Three hours of fixes, a second apart, over a flat triangle with thermals.
void BM_ScoreFreeFlight(benchmark::State& state) {
    std::vector<task::XcFix> track;
    for (int i = 0; i < 3 * 3600; ++i) {
        const double s = i / (3.0 * 3600.0);
        const double a = 2.0 * kPi * s;
        track.push_back({30000.0 * std::cos(a) + 50.0 * std::sin(i * 0.3), 12000.0 * std::sin(a) + 50.0 * std::cos(i * 0.3)});
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(task::scoreFreeFlight(track));
    }
}
BENCHMARK(BM_ScoreFreeFlight)->Unit(benchmark::kMillisecond);

} // namespace
