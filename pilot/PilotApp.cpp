#include "pilot/PilotApp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <glm/gtc/matrix_transform.hpp>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include "platform/AllocationCounter.h"
#include "pilot/DisplayChoice.h"
#include "pilot/Gl.h"
#include "pilot/LiveSession.h"
#include "pilot/QuitSignals.h"
#include "pilot/ReplaySession.h"
#include "pilot/XWindowWatch.h"

namespace {

constexpr double kStepSeconds = kSecondsPerStep; // (unit: s) the world's fixed step
constexpr double kFarDistance = 6000.0;        // (unit: m) where the haze is complete: the software renderer pays for every chunk in view
constexpr long kWarmUpFrames = 30;            // frames before the steady measurement starts
constexpr std::int64_t kMinFrameNanoseconds = 6'000'000; // (unit: ns) no faster than about 165 frames/s
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

double secondsBetween(PilotApp::Clock::time_point a, PilotApp::Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double processCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

PilotApp* rescuing = nullptr; // the app whose flight a lost X connection saves

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
    return std::max(endStatus, finish());
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

    if (options.replayPath.empty()) {
        session = std::make_unique<LiveSession>(input);
    } else {
        session = std::make_unique<ReplaySession>();
    }
    if (!(reason = session->open(options)).empty()) {
        std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
        return 2;
    }
    if (const int status = openDisplay(); status != 0) {
        return status;
    }
    if (!(reason = session->begin()).empty()) {
        std::fprintf(stderr, "glider-pilot: %s\n", reason.c_str());
        return 2;
    }
    // After the session's first temporary file and SDL_Init: neither may
    // take these signals over now.
    quit_signals::install();

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
    rescuing = this;
    x_window_watch::install(window, &PilotApp::rescue);

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

    const PilotFlight& flight = session->flight();
    light = SceneLight::from(flight.sky().sun);
    if (!(reason = terrainRenderer.build(flight.terrain(), light, flight.imagery())).empty() ||
        !(reason = gliderRenderer.build(flight.glider(), flight.world(), light)).empty() ||
        !(reason = skyRenderer.build(light)).empty() ||
        !(reason = cloudRenderer.build(flight.thermals(), flight.terrain(), flight.sky().clouds, light)).empty() ||
        !(reason = shadowRenderer.build(flight.glider(), flight.world(), flight.terrain(), light)).empty()) {
        std::fprintf(stderr, "glider-pilot: the GL shaders failed: %s\n", reason.c_str());
        return 1;
    }
    controls.openAll();
    return 0;
}

// SDL falls back to an offscreen driver when no display answers, and the
// program would fly on unseen: name the driver unless the user did.
int PilotApp::openDisplay() {
    const DisplayChoice choice =
        chooseDisplay(std::getenv("SDL_VIDEODRIVER"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (choice.driver.empty()) {
        std::fprintf(stderr, "glider-pilot: %s\n", choice.problem.c_str());
        return 2;
    }
    if (!choice.userChose) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, choice.driver.c_str());
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // ours end the flight (quit_signals)
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0) {
        const char* display = std::getenv(choice.driver == "wayland" ? "WAYLAND_DISPLAY" : "DISPLAY");
        std::fprintf(stderr, "glider-pilot: cannot open the display %s (SDL video driver %s): %s\n",
                     display ? display : "", choice.driver.c_str(), SDL_GetError());
        return 2;
    }
    return 0;
}

int PilotApp::save() {
    if (saved) {
        return savedStatus;
    }
    saved = true;
    savedStatus = session ? session->close() : 0;
    if (settingsUsable && window) {
        settings.camera = CameraRig::nameOf(camera.currentMode());
        const std::string reason = PilotSettings::save(settingsPath, settings);
        if (!reason.empty()) {
            std::fprintf(stderr, "glider-pilot: settings not saved: %s\n", reason.c_str());
        }
    }
    return savedStatus;
}

void PilotApp::rescue() {
    if (rescuing) {
        rescuing->save();
    }
}

int PilotApp::finish() {
    const int status = save();
    if (options.stats && frames > 0) {
        printStats();
    }
    if (imgui) {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        imgui = false;
    }
    rescuing = nullptr;
    if (x_window_watch::lost()) {
        // The window another program destroyed is left alone: destroying it
        // again, here or in SDL_Quit, draws an X error whose default handler
        // ends the process with Xlib's report. The process ends next.
        return status;
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
    return status;
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
        session->advance(clock.advance(wall), clock);
        if (const int signal = quit_signals::received(); signal != 0) {
            std::fprintf(stderr, "glider-pilot: %s; ending the flight\n", strsignal(signal));
            endStatus = 128 + signal;
            break;
        }
        if (const char* lost = x_window_watch::lost()) {
            std::fprintf(stderr, "glider-pilot: %s; ending the flight\n", lost);
            endStatus = 1;
            break;
        }
        if (const PilotSession::Ending& ending = session->ending(); ending.ended) {
            std::fprintf(stderr, "glider-pilot: %s\n", ending.message.c_str());
            endStatus = ending.status;
            break;
        }
        drawFrame();

        const Clock::time_point shown = Clock::now();
        if (frames == 1) {
            firstFrameSeconds = secondsBetween(launched, shown);
            firstFrameCpuSeconds = processCpuSeconds();
        }
        if (frames == kWarmUpFrames) {
            measuredSince = shown;
            measuredFrom = frames;
            stepsAtMeasure = clock.stepsRun();
            allocationsAtMeasure = allocationCount();
            cpuAtMeasure = processCpuSeconds();
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
    cpuAtEnd = processCpuSeconds();
    stepsAtEnd = clock.stepsRun();
}

void PilotApp::handle(const SDL_Event& event) {
    ImGui_ImplSDL2_ProcessEvent(&event);
    const ImGuiIO& io = ImGui::GetIO();
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        running = false;
        return;
    }
    if (x_window_watch::destroyedBy(event)) {
        return; // the loop ends the flight
    }
    if (session->handle(event) || controls.handle(event, input)) {
        return;
    }
    switch (event.type) {
    case SDL_KEYDOWN:
        handleKey(event.key);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (!io.WantCaptureMouse && event.button.button == SDL_BUTTON_LEFT) {
            mouseOrbit = true;
            camera.setMode(CameraRig::Mode::Orbit);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            mouseOrbit = false;
        }
        break;
    case SDL_MOUSEMOTION:
        if (mouseOrbit) {
            camera.orbitDrag(event.motion.xrel, -event.motion.yrel);
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
    if (key.repeat != 0) {
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
        session->restart();
        break;
    case SDLK_h:
        panel.toggleHelp();
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
    glClearColor(light.horizon.r, light.horizon.g, light.horizon.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    const FlightInstruments& instruments = session->instruments();
    const glm::dmat4 placement = session->gliderPlacement();
    CameraRig::Subject subject;
    subject.pilot = instruments.position();
    subject.heading = instruments.heading();
    subject.launch = session->launch();
    const CameraRig::View view = camera.viewOf(subject, &session->flight().terrain());
    const glm::dmat4 viewProjection =
        CameraRig::projection(static_cast<double>(width) / std::max(height, 1), kFarDistance * 1.5) *
        CameraRig::viewMatrix(view);
    terrainRenderer.draw(viewProjection, view.eye, kFarDistance);
    shadowRenderer.draw(viewProjection, placement);
    gliderRenderer.draw(viewProjection, placement, view.eye, kFarDistance);
    skyRenderer.draw(viewProjection, view.eye);
    cloudRenderer.draw(viewProjection, view.eye, instruments.time(), kFarDistance);

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
    f.fps = fps;
    f.pilot = instruments.position();
    f.launch = session->launch();
    session->describe(f);
    std::int64_t scrubTo = 0;
    if (panel.draw(f, session->track(), scrubTo)) {
        session->scrubTo(scrubTo);
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
                 "stats: frames=%ld first_frame_s=%.3f first_frame_cpu_s=%.3f fps=%.1f wall_s=%.2f simulated_s=%.2f "
                 "time_ratio=%.4f dropped_s=%.3f allocations=%ld chunks=%.0f triangles=%.0f cpu_ms_per_frame=%.2f\n",
                 frames, firstFrameSeconds, firstFrameCpuSeconds, static_cast<double>(measured) / wall, wall, simulated,
                 simulated / (wall * clock.speedFactor()), static_cast<double>(clock.droppedNanoseconds()) / 1e9,
                 allocationsInFlight, static_cast<double>(chunkSum) / std::max(measured, 1L),
                 static_cast<double>(triangleSum) / std::max(measured, 1L),
                 1000.0 * (cpuAtEnd - cpuAtMeasure) / static_cast<double>(std::max(measured, 1L)));
}
