// The windowed program and glider-flight fly the same flight. One key
// sequence goes through the simulator's own start-up, key handler and pacing
// (a fixed grant of one step per call instead of the wall clock) in this
// process, and through the glider-flight program; every pilot position of
// every step must agree to the bit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <GL/freeglut.h>

#include "tests/flight/ProgramRun.h"
#include "tests/support/JpegTestFiles.h"
#include "app/AppGlobals.h"
#include "app/Input.h"
#include "app/Pacing.h"
#include "app/Startup.h"
#include "scene/StartScene.h"

using flighttest::lines;
using flighttest::runFlight;
using flighttest::ScratchDirectory;

namespace {

struct Press {
    int step;
    int key;
    const char* name;
};

// Steering both ways, pitching, and a reset in the middle of the flight.
const std::vector<Press> kSequence = {
    {0, GLUT_KEY_LEFT, "left"},  {0, GLUT_KEY_LEFT, "left"},   {40, GLUT_KEY_DOWN, "down"},
    {90, GLUT_KEY_RIGHT, "right"}, {150, GLUT_KEY_F1, "f1"}, {150, GLUT_KEY_UP, "up"},
    {151, GLUT_KEY_RIGHT, "right"}, {299, GLUT_KEY_DOWN, "down"},
};
constexpr int kSteps = 400;

// The windowed program's path: start-up, then per step the keys pressed
// before it and a grant of one step.
std::vector<Vector3D> flyWindowed(const char* terrainPath) {
    buildScene(terrainPath);
    prepareFlight();
    std::vector<Vector3D> positions{glider->pilotParticle().position};
    std::size_t next = 0;
    for (int done = 0; done < kSteps; ++done) {
        for (; next < kSequence.size() && kSequence[next].step == done; ++next) {
            special(kSequence[next].key, 0, 0);
        }
        advanceSimulation(1);
        positions.push_back(glider->pilotParticle().position);
    }
    EXPECT_EQ(stepCount, kSteps);
    tearDownScene();
    return positions;
}

// glider-flight's path, read back from its CSV (17 significant digits read
// back to the very doubles).
std::vector<Vector3D> flyRecorded(const ScratchDirectory& directory, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--steps", std::to_string(kSteps)});
    for (const Press& press : kSequence) {
        arguments.insert(arguments.end(), {"--key", std::to_string(press.step) + ":" + press.name});
    }
    const flighttest::ProgramRun run = runFlight(directory, arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<Vector3D> positions;
    const std::vector<std::string> rows = lines(run.out);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        Vector3D p;
        EXPECT_EQ(std::sscanf(rows[i].c_str(), "%*d,%*g,%lg,%lg,%lg", &p.x, &p.y, &p.z), 3) << rows[i];
        positions.push_back(p);
    }
    return positions;
}

void expectSameFlight(const std::vector<Vector3D>& windowed, const std::vector<Vector3D>& recorded) {
    ASSERT_EQ(windowed.size(), static_cast<std::size_t>(kSteps) + 1);
    ASSERT_EQ(recorded.size(), windowed.size());
    for (std::size_t step = 0; step < windowed.size(); ++step) {
        ASSERT_EQ(recorded[step], windowed[step]) << "first difference after " << step << " steps";
    }
    // The keys did change the flight: it is not the same as a straight one.
    EXPECT_NE(windowed[160], windowed[1]);
}

// 64 x 400 pixels, so the start at y = 150 lies on the map; grey rises
// along x and y.
void writeSlopeJpeg(const std::string& path) {
    const jpegtest::Image slope =
        jpegtest::greyImage(64, 400, [](int column, int row) { return (row / 2 + column) % 256; });
    jpegtest::writeFile(path, jpegtest::encode(slope, jpegtest::Encoding{75, false, 0}));
}

} // namespace

TEST(WindowedAndRecordedFlight, AgreeToTheBitOverTheGeneratedTerrain) {
    ScratchDirectory directory;
    const std::string missing = directory.file("terrain.jpg"); // absent: the generated terrain
    const std::vector<Vector3D> windowed = flyWindowed(missing.c_str());
    expectSameFlight(windowed, flyRecorded(directory, {}));
}

TEST(WindowedAndRecordedFlight, AgreeToTheBitOverAHeightmap) {
    ScratchDirectory directory;
    writeSlopeJpeg(directory.file("slope.jpg"));
    const std::vector<Vector3D> windowed = flyWindowed(directory.file("slope.jpg").c_str());
    expectSameFlight(windowed, flyRecorded(directory, {"--terrain", "slope.jpg"}));
}
