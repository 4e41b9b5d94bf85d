#pragma once

#include <SDL.h>

#include <chrono>
#include <string>

#include "pilot/CameraRig.h"
#include "pilot/FlightInstruments.h"
#include "recording/FlightLog.h"
#include "pilot/FlightTrack.h"
#include "pilot/GliderRenderer.h"
#include "pilot/InstrumentPanel.h"
#include "pilot/PilotFlight.h"
#include "pilot/PilotOptions.h"
#include "pilot/PilotSettings.h"
#include "pilot/ReplayTrack.h"
#include "pilot/SdlControls.h"
#include "pilot/SimulationClock.h"
#include "pilot/TerrainRenderer.h"
#include "pilot/VarioAudio.h"
#include "pilot/WeightShiftInput.h"

// glider-pilot's window and main loop: events in, fixed steps as the clock
// grants them, then one frame of terrain, glider and instruments.
class PilotApp {
public:
    using Clock = std::chrono::steady_clock;

    // Returns the exit status: 0 after a normal close, 2 for bad input,
    // 1 when the window or its GL context cannot be had, and
    // kFlightNotSavedWhole when a write of the recording failed (a full
    // disk): the files hold what fitted.
    static constexpr int kFlightNotSavedWhole = 3;
    int run(const PilotOptions& options, Clock::time_point launched);

private:
    int start();
    void loop();
    void finish();
    void handle(const SDL_Event& event);
    void handleKey(const SDL_KeyboardEvent& key);
    void flySteps(int steps);
    void replaySteps(int steps);
    void showReplayRow(bool restart);
    void reset();
    void drawFrame();
    void printStats() const;

    PilotOptions options;
    Clock::time_point launched;
    PilotSettings settings;
    std::string settingsPath;
    bool settingsUsable = true;

    PilotFlight flight;
    ReplayTrack replay;
    bool replaying = false;
    int replayStep = 0;
    double replayHeading = 180.0;

    SimulationClock clock;
    WeightShiftInput input;
    SdlControls controls;
    CameraRig camera;
    FlightInstruments instruments;
    FlightTrack track;
    InstrumentPanel panel;
    FlightLog log;
    VarioAudio audio;
    int step = 0; // steps flown since the start, never reset: the recording's clock

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    TerrainRenderer terrainRenderer;
    GliderRenderer gliderRenderer;
    bool imgui = false;
    bool running = true;
    bool mouseOrbit = false;
    bool mouseShift = false;
    int shiftOriginX = 0;
    int shiftOriginY = 0;
    Vector3D launch;
    Vector3D builtPilot; // where the pilot stood when the glider was built

    // Frame statistics.
    long frames = 0;
    double fps = 0.0;
    long fpsFrames = 0;
    Clock::time_point fpsSince;
    double firstFrameSeconds = -1.0;
    Clock::time_point measuredSince;
    long measuredFrom = -1; // frame the steady measurement starts at
    std::int64_t stepsAtMeasure = 0;
    long allocationsAtMeasure = 0;
    long allocationsInFlight = 0;
    Clock::time_point measuredUntil;
    std::int64_t stepsAtEnd = 0;
    long chunkSum = 0;
    long long triangleSum = 0;
};
