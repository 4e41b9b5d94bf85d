#pragma once

#include <SDL.h>

#include <chrono>
#include <memory>
#include <string>

#include "pilot/CameraRig.h"
#include "pilot/CloudRenderer.h"
#include "pilot/GliderRenderer.h"
#include "pilot/InstrumentPanel.h"
#include "pilot/PilotOptions.h"
#include "pilot/PilotSession.h"
#include "pilot/PilotSettings.h"
#include "pilot/SceneLight.h"
#include "pilot/SdlControls.h"
#include "pilot/ShadowRenderer.h"
#include "pilot/SimulationClock.h"
#include "pilot/SkyRenderer.h"
#include "pilot/TerrainRenderer.h"
#include "pilot/VarioAudio.h"
#include "pilot/WeightShiftInput.h"

// glider-pilot's window and main loop: events in, fixed steps as the clock
// grants them to the session (a live flight or a replay), then one frame of
// terrain, glider and instruments.
class PilotApp {
public:
    using Clock = std::chrono::steady_clock;

    // Returns the exit status: 0 after a normal close (Escape, the window's
    // close button), 128 + the signal after an interrupt, termination or
    // hang-up (the flight saved all the same), 2 for bad input or no
    // display, 1 when the window or its GL context cannot be had, the window
    // was lost or the flight blew up, and kFlightNotSavedWhole when a write
    // of the recording failed (a full disk): the files hold what fitted.
    static constexpr int kFlightNotSavedWhole = PilotSession::kFlightNotSavedWhole;
    int run(const PilotOptions& options, Clock::time_point launched);

private:
    int start();
    void loop();
    int openDisplay();
    int finish();
    // Puts the flight and the settings in place, once; also from the lost
    // X connection's last call.
    int save();
    static void rescue();
    void handle(const SDL_Event& event);
    void handleKey(const SDL_KeyboardEvent& key);
    void drawFrame();
    void printStats() const;

    PilotOptions options;
    Clock::time_point launched;
    PilotSettings settings;
    std::string settingsPath;
    bool settingsUsable = true;
    bool saved = false;
    int savedStatus = 0;

    SimulationClock clock;
    WeightShiftInput input;
    SdlControls controls;
    std::unique_ptr<PilotSession> session;
    CameraRig camera;
    InstrumentPanel panel;
    VarioAudio audio;

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    TerrainRenderer terrainRenderer;
    GliderRenderer gliderRenderer;
    SceneLight light;
    SkyRenderer skyRenderer;
    CloudRenderer cloudRenderer;
    ShadowRenderer shadowRenderer;
    bool imgui = false;
    bool running = true;
    bool mouseOrbit = false;
    int endStatus = 0; // what ended the loop asks for

    // Frame statistics.
    long frames = 0;
    double fps = 0.0;
    long fpsFrames = 0;
    Clock::time_point fpsSince;
    double firstFrameSeconds = -1.0;
    double firstFrameCpuSeconds = -1.0; // (unit: s) the process's CPU time up to it
    Clock::time_point measuredSince;
    long measuredFrom = -1; // frame the steady measurement starts at
    std::int64_t stepsAtMeasure = 0;
    long allocationsAtMeasure = 0;
    long allocationsInFlight = 0;
    Clock::time_point measuredUntil;
    // (unit: s) the process's CPU time, all threads (the software renderer's
    // included): what a frame costs, whatever else the machine runs.
    double cpuAtMeasure = 0.0;
    double cpuAtEnd = 0.0;
    std::int64_t stepsAtEnd = 0;
    long chunkSum = 0;
    long long triangleSum = 0;
};
