// Where each camera puts the eye, and what the frustum lets through.
#include <gtest/gtest.h>

#include <cmath>

#include <glm/glm.hpp>

#include "pilot/CameraRig.h"
#include "pilot/ViewFrustum.h"
#include "terrain/HeightField.h"
#include "tests/support/FloatingPointTraps.h"
#include "physics/SharedConstants.h"

namespace {

CameraRig::Subject subjectAt(const Vector3D& pilot, double heading) {
    CameraRig::Subject s;
    s.pilot = pilot;
    s.heading = heading;
    s.launch = Vector3D(0.0, 150.0, 135.0);
    return s;
}

// Where a world point lands on the screen, in normalised device coordinates.
glm::dvec3 project(const CameraRig::View& view, const glm::dvec3& point) {
    const glm::dvec4 clip = CameraRig::projection(4.0 / 3.0, 3000.0) * CameraRig::viewMatrix(view) * glm::dvec4(point, 1.0);
    return glm::dvec3(clip) / clip.w;
}

} // namespace

TEST(CameraRig, ChaseSitsBehindAndAboveAndPilotEyeLooksAhead) {
    FloatingPointTraps traps;
    CameraRig rig;
    const Vector3D pilot(10.0, 20.0, 100.0);
    for (const double heading : {0.0, 90.0, 225.0}) {
        const double h = heading * kPi / 180.0;
        const glm::dvec3 ahead(std::sin(h), std::cos(h), 0.0);
        const CameraRig::View chase = rig.viewOf(subjectAt(pilot, heading), nullptr);
        const glm::dvec3 fromPilot = chase.eye - glm::dvec3(pilot.x, pilot.y, pilot.z);
        EXPECT_NEAR(glm::dot(fromPilot, ahead), -CameraRig::kChaseBack, 1e-9) << heading;
        EXPECT_NEAR(fromPilot.z, CameraRig::kChaseUp, 1e-9);
        // The pilot shows near the middle of the picture, a little low.
        const glm::dvec3 seen = project(chase, glm::dvec3(pilot.x, pilot.y, pilot.z));
        EXPECT_LT(std::fabs(seen.x), 1e-9);
        EXPECT_LT(seen.y, 0.0);
        EXPECT_GT(seen.y, -0.5);
    }
    rig.setMode(CameraRig::Mode::PilotEye);
    const CameraRig::View eye = rig.viewOf(subjectAt(pilot, 90.0), nullptr);
    EXPECT_GT(eye.target.x - eye.eye.x, 5.0);
    EXPECT_NEAR(eye.eye.x, pilot.x, 1e-12);
}

TEST(CameraRig, OrbitKeepsItsDistanceWithinLimitsAndGroundObserverStaysPut) {
    FloatingPointTraps traps;
    CameraRig rig;
    rig.setMode(CameraRig::Mode::Orbit);
    rig.orbitDrag(400.0, 1000.0); // 100 degrees round, elevation to the stop
    EXPECT_EQ(rig.orbitElevation(), 89.0);
    rig.zoom(-200.0);
    EXPECT_EQ(rig.orbitDistance(), CameraRig::kMaxOrbitDistance);
    rig.zoom(500.0);
    EXPECT_EQ(rig.orbitDistance(), CameraRig::kMinOrbitDistance);
    rig.zoom(std::nan(""));
    EXPECT_EQ(rig.orbitDistance(), CameraRig::kMinOrbitDistance);
    const Vector3D pilot(0.0, 0.0, 50.0);
    const CameraRig::View orbit = rig.viewOf(subjectAt(pilot, 0.0), nullptr);
    EXPECT_NEAR(glm::length(orbit.eye - glm::dvec3(0.0, 0.0, 50.0)), CameraRig::kMinOrbitDistance, 1e-9);

    rig.setMode(CameraRig::Mode::Ground);
    const CameraRig::View a = rig.viewOf(subjectAt(Vector3D(0.0, 0.0, 50.0), 0.0), nullptr);
    const CameraRig::View b = rig.viewOf(subjectAt(Vector3D(500.0, -80.0, 10.0), 123.0), nullptr);
    EXPECT_EQ(a.eye, b.eye);
    EXPECT_NEAR(b.eye.z, CameraRig::kEyeHeight, 1e-12);
    EXPECT_EQ(b.target, glm::dvec3(500.0, -80.0, 10.0));
}

TEST(CameraRig, EyeNeverGoesBelowTheTerrainAndLooksStraightDownSafely) {
    FloatingPointTraps traps;
    HeightField hill(3, 3, -1000.0, -1000.0, 1000.0, 400.0); // 400 m plateau
    CameraRig rig;
    // Low over the plateau: the chase camera would be inside the hill.
    const CameraRig::View chase = rig.viewOf(subjectAt(Vector3D(0.0, 0.0, 401.0), 0.0), &hill);
    EXPECT_GE(chase.eye.z, 400.0 + CameraRig::kMinClearance);
    rig.setMode(CameraRig::Mode::Orbit);
    rig.orbitDrag(0.0, 1000.0);
    rig.zoom(-100.0);
    // Nearly straight down: the view matrix stays finite.
    const glm::dmat4 m = CameraRig::viewMatrix(rig.viewOf(subjectAt(Vector3D(), 0.0), nullptr));
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_TRUE(std::isfinite(m[c][r]));
        }
    }
}

TEST(CameraRig, ModeNamesReadBack) {
    for (int i = 0; i < static_cast<int>(CameraRig::Mode::Count); ++i) {
        CameraRig::Mode mode = CameraRig::Mode::Count;
        ASSERT_TRUE(CameraRig::modeFromName(CameraRig::nameOf(static_cast<CameraRig::Mode>(i)), mode));
        EXPECT_EQ(static_cast<int>(mode), i);
    }
    CameraRig::Mode mode = CameraRig::Mode::Chase;
    EXPECT_FALSE(CameraRig::modeFromName("cockpit", mode));
}

TEST(ViewFrustum, PassesWhatIsAheadAndDropsWhatIsBehindOrBeyond) {
    CameraRig rig;
    const CameraRig::View view = rig.viewOf(subjectAt(Vector3D(0.0, 0.0, 100.0), 0.0), nullptr); // looking north
    const ViewFrustum frustum(CameraRig::projection(1.0, 3000.0) * CameraRig::viewMatrix(view));
    EXPECT_TRUE(frustum.mayContain(Vector3D(-50.0, 200.0, 0.0), Vector3D(50.0, 300.0, 120.0)));
    EXPECT_FALSE(frustum.mayContain(Vector3D(-50.0, -400.0, 0.0), Vector3D(50.0, -300.0, 120.0)));
    EXPECT_FALSE(frustum.mayContain(Vector3D(-50.0, 4000.0, 0.0), Vector3D(50.0, 4100.0, 120.0)));
    EXPECT_FALSE(frustum.mayContain(Vector3D(2000.0, 200.0, 0.0), Vector3D(2100.0, 300.0, 120.0)));
    // A box around the eye is always drawn.
    EXPECT_TRUE(frustum.mayContain(Vector3D(-100.0, -100.0, 0.0), Vector3D(100.0, 100.0, 200.0)));
}
