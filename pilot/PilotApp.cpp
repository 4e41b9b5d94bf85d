#include "pilot/PilotApp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <glm/gtc/matrix_transform.hpp>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include "platform/AllocationCounter.h"
#include "pilot/FlightReading.h"
#include "pilot/Gl.h"
#include "pilot/SceneLook.h"
#include "recording/FlightSample.h"

namespace {

constexpr double kStepSeconds = kSecondsPerStep; // (unit: s) the world's fixed step
constexpr double kFarDistance = 2000.0;        // (unit: m) where the haze is complete: the software renderer pays for every chunk in view
constexpr long kWarmUpFrames = 30;            // frames before the steady measurement starts
constexpr int kScrubSteps = 500;               // (unit: steps) 5 s per arrow press in a replay
constexpr double kMouseShiftPixels = 200.0;    // (unit: pixels) full weight shift of a right-drag
constexpr std::int64_t kMinFrameNanoseconds = 6'000'000; // (unit: ns) no faster than about 165 frames/s
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

double secondsBetween(PilotApp::Clock::time_point a, PilotApp::Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

int PilotApp::run(const PilotOptions& given, Clock::time_point startedAt) {
    options = given;
    launched = startedAt;
    const int status = start();
    if (status != 0) {
        finish();
        return status;
    }
    loop();
    finish();
    return log.savedWhole() ? 0 : kFlightNotSavedWhole;
}

int PilotApp::start() {
    settingsPath = PilotSettings::defaultPath();
    std::vector<std::string> warnings;
    std::string reason = PilotSettings::load(settingsPath, settings, &warnings);
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "glider-pilot: %s\n", warning.c_str());
    }
    if (!reason.empty()) {
        std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
        settingsUsable = false;
        return 2;
    }
    if (options.mute) {
        settings.muted = true;
    }
    if (!options.camera.empty()) {
        settings.camera = options.camera;
    }
    CameraRig::Mode mode = CameraRig::Mode::Chase;
    CameraRig::modeFromName(settings.camera.c_str(), mode);
    camera.setMode(mode);
    WeightShiftInput::Settings shaping;
    shaping.deadZone = settings.deadZone;
    shaping.invertFore = settings.invertFore;
    input.setSettings(shaping);
    controls.setJoystickAxes(settings.lateralAxis, settings.foreAxis);

    if (!options.replayPath.empty()) {
        if (!(reason = replay.load(options.replayPath)).empty()) {
            std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
            return 2;
        }
        replaying = true;
    }
    if (!(reason = flight.build(options)).empty()) {
        std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
        return 2;
    }
    builtPilot = flight.glider().pilotParticle().position;
    launch = replaying ? replay.row(0).position : builtPilot;
    if (!replaying) {
        if (!(reason = log.open(options.flightsDirectory, std::time(nullptr), flight.placement()))
                 .empty()) {
            std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
            return 2;
        }
    }

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "glider-pilot: cannot start SDL: %s\n", SDL_GetError());
        return 1;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        VarioTone::Thresholds thresholds;
        thresholds.climb = settings.climbThreshold;
        thresholds.sink = settings.sinkThreshold;
        audio.setVolume(settings.volume);
        audio.setMuted(settings.muted);
        audio.open(thresholds);
    } else {
        std::fprintf(stderr, "glider-pilot: no sound (%s); the variometer is silent\n", SDL_GetError());
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("glider-pilot", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, options.width,
                              options.height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "glider-pilot: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "glider-pilot: no OpenGL 3.3 context: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(1);

    IMGUI_CHECKVERSION();
    ImGui::SetAllocatorFunctions(&countedAllocation, &countedRelease, nullptr);
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    // Large, plain figures: readable at a glance in flight.
    FILE* font = std::fopen(kFontPath, "rb");
    if (font) {
        std::fclose(font);
        io.Fonts->AddFontFromFileTTF(kFontPath, 20.0f);
    } else {
        ImFontConfig config;
        config.SizePixels = 26.0f;
        io.Fonts->AddFontDefault(&config);
    }
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window, context);
    ImGui_ImplOpenGL3_Init("#version 330 core");
    imgui = true;

    if (!(reason = terrainRenderer.build(flight.terrain())).empty() ||
        !(reason = gliderRenderer.build(flight.glider(), flight.world())).empty()) {
        std::fprintf(stderr, "glider-pilot: the GL shaders failed: %s\n", reason.c_str());
        return 1;
    }
    controls.openAll();
    instruments.restart(launch, 0.0);
    if (replaying) {
        replayStep = replay.firstStep();
        showReplayRow(true);
    } else {
        instruments.update(readFlight(flight.glider(), flight.world(), flight.terrain()), 0.0);
        log.record(flight::samplePilot(flight.glider(), flight.world(), flight.terrain(), 0));
        track.add(static_cast<float>(launch.x), static_cast<float>(launch.y));
    }
    return 0;
}

void PilotApp::finish() {
    if (log.isOpen()) {
        const std::string reason = log.close();
        if (!reason.empty()) {
            std::fprintf(stderr, "glider-pilot: the flight was not saved whole: %s; what was written is in %s and %s\n",
                         reason.c_str(), log.igcPath().c_str(), log.csvPath().c_str());
        } else {
            std::fprintf(stderr, "glider-pilot: flight saved as %s and %s\n", log.igcPath().c_str(),
                         log.csvPath().c_str());
        }
    }
    if (settingsUsable && window) {
        settings.camera = CameraRig::nameOf(camera.currentMode());
        const std::string reason = PilotSettings::save(settingsPath, settings);
        if (!reason.empty()) {
            std::fprintf(stderr, "glider-pilot: settings not saved: %s\n", reason.c_str());
        }
    }
    if (options.stats && frames > 0) {
        printStats();
    }
    if (imgui) {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        imgui = false;
    }
    if (context) {
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_Quit();
}

void PilotApp::loop() {
    Uint64 previous = SDL_GetPerformanceCounter();
    const double nanosecondsPerCount = 1e9 / static_cast<double>(SDL_GetPerformanceFrequency());
    fpsSince = Clock::now();
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            handle(event);
        }
        controls.poll(input);

        const Uint64 now = SDL_GetPerformanceCounter();
        const auto wall = static_cast<std::int64_t>(static_cast<double>(now - previous) * nanosecondsPerCount);
        previous = now;
        const int due = clock.advance(wall);
        if (replaying) {
            replaySteps(due);
        } else {
            flySteps(due);
        }
        drawFrame();

        const Clock::time_point shown = Clock::now();
        if (frames == 1) {
            firstFrameSeconds = secondsBetween(launched, shown);
        }
        if (frames == kWarmUpFrames) {
            measuredSince = shown;
            measuredFrom = frames;
            stepsAtMeasure = clock.stepsRun();
            allocationsAtMeasure = allocationCount();
            chunkSum = 0;
            triangleSum = 0;
        }
        if (options.quitAfter > 0.0 && secondsBetween(launched, shown) >= options.quitAfter) {
            running = false;
        }
        // Frames far faster than any screen shows only heat the machine.
        const auto spent = static_cast<std::int64_t>(
            static_cast<double>(SDL_GetPerformanceCounter() - now) * nanosecondsPerCount);
        if (spent < kMinFrameNanoseconds) {
            SDL_Delay(static_cast<Uint32>((kMinFrameNanoseconds - spent) / 1'000'000));
        }
    }
    // Closing the recording and saving the settings allocate: count up to here.
    allocationsInFlight = allocationCount() - allocationsAtMeasure;
    measuredUntil = Clock::now();
    stepsAtEnd = clock.stepsRun();
}

void PilotApp::flySteps(int steps) {
    for (int i = 0; i < steps; ++i) {
        input.update(kStepSeconds);
        flight.setWeightShift(input.lateral(), input.fore());
        flight.world().step();
        ++step;
        instruments.update(readFlight(flight.glider(), flight.world(), flight.terrain()), kStepSeconds);
        log.record(flight::samplePilot(flight.glider(), flight.world(), flight.terrain(), step));
        if (step % 100 == 0) {
            const Vector3D& p = instruments.position();
            track.add(static_cast<float>(p.x), static_cast<float>(p.y));
        }
    }
}

void PilotApp::replaySteps(int steps) {
    for (int i = 0; i < steps; ++i) {
        if (replayStep >= replay.lastStep()) {
            if (!clock.isPaused()) {
                clock.togglePause(); // the end of the recording: hold the last picture
            }
            return;
        }
        ++replayStep;
        showReplayRow(false);
    }
}

void PilotApp::showReplayRow(bool restart) {
    const flight::FlightSample& row = replay.row(replay.indexAt(replayStep));
    if (restart) {
        instruments.restart(launch, row.time);
        track.clear();
        // The track up to here, so the map shows where the flight has been.
        for (int i = 0; i < replay.size() && replay.row(i).step <= replayStep; i += 100) {
            track.add(static_cast<float>(replay.row(i).position.x), static_cast<float>(replay.row(i).position.y));
        }
    } else if (row.step % 100 == 0 && row.step == replayStep) {
        track.add(static_cast<float>(row.position.x), static_cast<float>(row.position.y));
    }
    if (std::hypot(row.velocity.x, row.velocity.y) > 0.1) {
        replayHeading = headingFrom(Vector3D(), Vector3D(row.velocity.x, row.velocity.y, 0.0));
    }
    FlightInstruments::Reading reading;
    reading.time = row.time;
    reading.position = row.position;
    reading.velocity = row.velocity;
    reading.air = flight.world().airField().velocityAt(row.position, row.time);
    reading.terrainHeight = row.terrainHeight;
    reading.heading = replayHeading;
    instruments.update(reading, restart ? 0.0 : kStepSeconds);
}

void PilotApp::reset() {
    if (replaying) {
        replayStep = replay.firstStep();
        showReplayRow(true);
        return;
    }
    input.centre();
    flight.reset();
    instruments.restart(launch, instruments.time());
    instruments.update(readFlight(flight.glider(), flight.world(), flight.terrain()), 0.0);
    track.clear();
    track.add(static_cast<float>(launch.x), static_cast<float>(launch.y));
}

void PilotApp::handle(const SDL_Event& event) {
    ImGui_ImplSDL2_ProcessEvent(&event);
    const ImGuiIO& io = ImGui::GetIO();
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        running = false;
        return;
    }
    if (!replaying && controls.handle(event, input)) {
        return;
    }
    if (replaying && (event.type == SDL_JOYDEVICEADDED || event.type == SDL_JOYDEVICEREMOVED)) {
        controls.handle(event, input);
        return;
    }
    switch (event.type) {
    case SDL_KEYDOWN:
        handleKey(event.key);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (io.WantCaptureMouse) {
            break;
        }
        if (event.button.button == SDL_BUTTON_LEFT) {
            mouseOrbit = true;
            camera.setMode(CameraRig::Mode::Orbit);
        } else if (event.button.button == SDL_BUTTON_RIGHT && !replaying) {
            mouseShift = true;
            shiftOriginX = event.button.x;
            shiftOriginY = event.button.y;
            input.setMouse(true, 0.0, 0.0);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            mouseOrbit = false;
        } else if (event.button.button == SDL_BUTTON_RIGHT) {
            mouseShift = false;
            input.setMouse(false, 0.0, 0.0);
        }
        break;
    case SDL_MOUSEMOTION:
        if (mouseOrbit) {
            camera.orbitDrag(event.motion.xrel, -event.motion.yrel);
        }
        if (mouseShift) {
            input.setMouse(true, (event.motion.x - shiftOriginX) / kMouseShiftPixels,
                           (event.motion.y - shiftOriginY) / kMouseShiftPixels);
        }
        break;
    case SDL_MOUSEWHEEL:
        if (!io.WantCaptureMouse) {
            camera.zoom(event.wheel.y);
        }
        break;
    default:
        break;
    }
}

void PilotApp::handleKey(const SDL_KeyboardEvent& key) {
    if (key.repeat != 0 && key.keysym.sym != SDLK_LEFT && key.keysym.sym != SDLK_RIGHT) {
        return;
    }
    switch (key.keysym.sym) {
    case SDLK_ESCAPE:
        running = false;
        break;
    case SDLK_p:
        clock.togglePause();
        break;
    case SDLK_n:
    case SDLK_PERIOD:
        clock.requestSingleStep();
        break;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        clock.slower();
        break;
    case SDLK_EQUALS:
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
        clock.faster();
        break;
    case SDLK_c:
        camera.nextMode();
        break;
    case SDLK_1:
    case SDLK_2:
    case SDLK_3:
    case SDLK_4:
        camera.setMode(static_cast<CameraRig::Mode>(key.keysym.sym - SDLK_1));
        break;
    case SDLK_m:
        settings.muted = !settings.muted;
        audio.setMuted(settings.muted);
        break;
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
        settings.volume = std::clamp(settings.volume + (key.keysym.sym == SDLK_PAGEUP ? 0.1 : -0.1), 0.0, 1.0);
        audio.setVolume(settings.volume);
        break;
    case SDLK_r:
    case SDLK_F1:
        reset();
        break;
    case SDLK_h:
        panel.toggleHelp();
        break;
    case SDLK_LEFT:
    case SDLK_RIGHT:
        if (replaying) {
            const int to = replayStep + (key.keysym.sym == SDLK_RIGHT ? kScrubSteps : -kScrubSteps);
            replayStep = std::clamp(to, replay.firstStep(), replay.lastStep());
            showReplayRow(true);
        }
        break;
    case SDLK_HOME:
    case SDLK_END:
        if (replaying) {
            replayStep = key.keysym.sym == SDLK_HOME ? replay.firstStep() : replay.lastStep();
            showReplayRow(true);
        }
        break;
    default:
        break;
    }
}

void PilotApp::drawFrame() {
    int width = 1;
    int height = 1;
    SDL_GL_GetDrawableSize(window, &width, &height);
    glViewport(0, 0, width, height);
    glClearColor(look::kSky[0], look::kSky[1], look::kSky[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    // The glider: as flown, or in a replay the start glider carried to the
    // recorded position and turned to the recorded heading.
    glm::dmat4 placement(1.0);
    if (replaying) {
        const Vector3D& at = instruments.position();
        placement = glm::translate(glm::dmat4(1.0), glm::dvec3(at.x, at.y, at.z));
        placement = glm::rotate(placement, glm::radians(flight.launchHeading() - instruments.heading()),
                                glm::dvec3(0.0, 0.0, 1.0));
        placement = glm::translate(placement, glm::dvec3(-builtPilot.x, -builtPilot.y, -builtPilot.z));
    }
    CameraRig::Subject subject;
    subject.pilot = instruments.position();
    subject.heading = instruments.heading();
    subject.launch = launch;
    const CameraRig::View view = camera.viewOf(subject, &flight.terrain());
    const glm::dmat4 viewProjection =
        CameraRig::projection(static_cast<double>(width) / std::max(height, 1), kFarDistance * 1.5) *
        CameraRig::viewMatrix(view);
    terrainRenderer.draw(viewProjection, view.eye, kFarDistance);
    gliderRenderer.draw(viewProjection, placement, view.eye, kFarDistance);

    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    InstrumentPanel::Figures f;
    f.time = instruments.time();
    f.speedFactor = clock.speedFactor();
    f.paused = clock.isPaused();
    f.muted = settings.muted;
    f.camera = CameraRig::nameOf(camera.currentMode());
    f.airspeed = instruments.airspeed();
    f.groundSpeed = instruments.groundSpeed();
    f.aboveStart = instruments.heightAboveStart();
    f.aboveGround = instruments.heightAboveGround();
    f.vario = instruments.vario();
    f.averaged = instruments.averagedClimb();
    f.glide = instruments.glideRatio();
    f.heading = instruments.heading();
    f.wind = instruments.wind();
    f.lateral = replaying ? 0.0 : flight.lateralShift();
    f.fore = replaying ? 0.0 : flight.foreShift();
    f.fps = fps;
    f.pilot = instruments.position();
    f.launch = launch;
    f.replay = replaying;
    f.replayStep = replayStep;
    f.replayFirst = replaying ? replay.firstStep() : 0;
    f.replayLast = replaying ? replay.lastStep() : 0;
    f.recordingProblem = log.problem();
    int scrubTo = 0;
    if (panel.draw(f, track, scrubTo)) {
        replayStep = scrubTo;
        showReplayRow(true);
    }
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);

    audio.setClimb(clock.isPaused() ? 0.0 : instruments.vario());
    ++frames;
    ++fpsFrames;
    chunkSum += terrainRenderer.chunksDrawn();
    triangleSum += terrainRenderer.trianglesDrawn();
    const Clock::time_point now = Clock::now();
    const double since = secondsBetween(fpsSince, now);
    if (since >= 0.5) {
        fps = static_cast<double>(fpsFrames) / since;
        fpsFrames = 0;
        fpsSince = now;
    }
}

void PilotApp::printStats() const {
    if (measuredFrom < 0) {
        std::fprintf(stderr, "stats: frames=%ld first_frame_s=%.3f (too short to measure)\n", frames,
                     firstFrameSeconds);
        return;
    }
    const double wall = secondsBetween(measuredSince, measuredUntil);
    const long measured = frames - measuredFrom;
    const double simulated = static_cast<double>(stepsAtEnd - stepsAtMeasure) * kStepSeconds;
    std::fprintf(stderr,
                 "stats: frames=%ld first_frame_s=%.3f fps=%.1f wall_s=%.2f simulated_s=%.2f "
                 "time_ratio=%.4f dropped_s=%.3f allocations=%ld chunks=%.0f triangles=%.0f\n",
                 frames, firstFrameSeconds, static_cast<double>(measured) / wall, wall, simulated,
                 simulated / (wall * clock.speedFactor()), static_cast<double>(clock.droppedNanoseconds()) / 1e9,
                 allocationsInFlight, static_cast<double>(chunkSum) / std::max(measured, 1L),
                 static_cast<double>(triangleSum) / std::max(measured, 1L));
}
