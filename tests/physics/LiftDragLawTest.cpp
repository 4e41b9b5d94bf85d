// The lift and drag law of one surface: directions, the zero-lift angle,
// sweep and stall, against what thin-aerofoil and flat-plate theory say.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/LiftDragLaw.h"
#include "tests/support/FloatingPointTraps.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kDensity = 1.225; // (unit: kg/m³)

LiftDragCoefficients flatPlate() {
    LiftDragCoefficients k;
    k.liftSlope = 2.0 * kPi;
    k.zeroLiftAngle = 0.0;
    k.stallAngle = 15.0 * kPi / 180.0;
    k.stallWidth = 2.0 * kPi / 180.0;
    k.profileDrag = 0.01;
    k.inducedDragFactor = 0.05;
    return k;
}

// A surface of 2 m² in the x-y plane, upper side +z, moving at `speed` along
// -y while the flow meets it from below at `alphaDegrees`.
SurfaceForce at(double alphaDegrees, double speed, const LiftDragCoefficients& k,
                const Vector3D& span = Vector3D(0.0, 0.0, 0.0)) {
    const double a = alphaDegrees * kPi / 180.0;
    const Vector3D velocity(0.0, -speed * std::cos(a), -speed * std::sin(a));
    return liftAndDrag(velocity, Vector3D(0.0, 0.0, 1.0), span, 2.0, kDensity, k);
}

Vector3D unit(Vector3D v) {
    v.normalize();
    return v;
}

} // namespace

TEST(LiftDragLaw, LiftIsPerpendicularAndDragParallelToTheRelativeAirAtEveryAngle) {
    FloatingPointTraps traps;
    for (double alpha = -80.0; alpha <= 80.0; alpha += 7.5) {
        const double a = alpha * kPi / 180.0;
        // Yawed and rolled a little, so no component is trivially zero.
        const Vector3D velocity(3.0, -12.0 * std::cos(a), -12.0 * std::sin(a));
        const Vector3D up = unit(Vector3D(0.1, 0.05, 1.0));
        const SurfaceForce f = liftAndDrag(velocity, up, Vector3D(0.0, 0.0, 0.0), 2.0, kDensity, flatPlate());
        const Vector3D along = unit(velocity);
        const Vector3D drag = along * f.force.dot(along);
        const Vector3D lift = f.force - drag;
        EXPECT_LT(f.force.dot(along), 0.0) << "drag opposes the motion at " << alpha;
        // The lift lies in the plane of the velocity and the normal.
        EXPECT_NEAR(lift.dot(velocity.cross(up)), 0.0, 1e-9 * f.force.length()) << alpha;
        // And the drag is exactly along the velocity: nothing across it besides the lift.
        EXPECT_NEAR(lift.dot(along), 0.0, 1e-9 * f.force.length()) << alpha;
    }
}

TEST(LiftDragLaw, AFlatPlateAtZeroAngleGetsNoLiftAndSymmetricAnglesMirror) {
    FloatingPointTraps traps;
    const SurfaceForce level = at(0.0, 10.0, flatPlate());
    EXPECT_EQ(level.force.z, 0.0);
    EXPECT_GT(level.force.y, 0.0); // only drag, against the motion along -y
    const SurfaceForce up = at(6.0, 10.0, flatPlate());
    const SurfaceForce down = at(-6.0, 10.0, flatPlate());
    EXPECT_GT(up.force.z, 0.0);
    EXPECT_NEAR(up.force.z, -down.force.z, 1e-9);
    // Below the stall the lift follows the slope: L = q S a alpha, to a few percent.
    const double q = 0.5 * kDensity * 100.0 * 2.0;
    EXPECT_NEAR(up.force.z, q * 2.0 * kPi * (6.0 * kPi / 180.0), 0.03 * up.force.z);
}

TEST(LiftDragLaw, CamberLiftsAtZeroAngleAndStallLosesLiftButNotDrag) {
    FloatingPointTraps traps;
    LiftDragCoefficients cambered = flatPlate();
    cambered.zeroLiftAngle = -4.0 * kPi / 180.0;
    EXPECT_GT(at(0.0, 10.0, cambered).force.z, 0.0);
    // At the zero-lift angle only the trace of the separated flow is left.
    EXPECT_NEAR(at(-4.0, 10.0, cambered).force.z, 0.0, 0.01 * at(4.0, 10.0, cambered).force.z);

    const SurfaceForce before = at(12.0, 10.0, flatPlate());
    const SurfaceForce after = at(25.0, 10.0, flatPlate());
    EXPECT_GT(before.attached, 0.8);
    EXPECT_LT(after.attached, 0.01);
    // Past the stall the lift coefficient falls from the attached line to the plate's.
    const double attachedLine = 2.0 * kPi * (25.0 * kPi / 180.0);
    EXPECT_LT(after.force.z / (0.5 * kDensity * 100.0 * 2.0), 0.8 * attachedLine);
    const auto dragOf = [](double alphaDegrees, const SurfaceForce& f) {
        const double a = alphaDegrees * kPi / 180.0;
        return -f.force.dot(Vector3D(0.0, -std::cos(a), -std::sin(a)));
    };
    EXPECT_GT(dragOf(25.0, after), 2.0 * dragOf(12.0, before));
}

TEST(LiftDragLaw, ForcesGrowWithTheSquareOfTheSpeed) {
    FloatingPointTraps traps;
    const SurfaceForce slow = at(5.0, 8.0, flatPlate());
    const SurfaceForce fast = at(5.0, 16.0, flatPlate());
    EXPECT_NEAR(fast.force.z, 4.0 * slow.force.z, 1e-9 * fast.force.z);
    EXPECT_NEAR(fast.force.y, 4.0 * slow.force.y, 1e-9 * std::fabs(fast.force.y));
    EXPECT_EQ(liftAndDrag(Vector3D(0.0, 0.0, 0.0), Vector3D(0.0, 0.0, 1.0), Vector3D(), 2.0, kDensity, flatPlate())
                  .force,
              Vector3D(0.0, 0.0, 0.0));
}

TEST(LiftDragLaw, ASweptSurfaceLiftsOnlyFromTheFlowAcrossItsLeadingEdge) {
    FloatingPointTraps traps;
    // Flow along the leading edge slides past: only the profile drag is left.
    const Vector3D edge(1.0, 0.0, 0.0);
    const Vector3D along(-10.0, 0.0, -1.0); // along the edge, meeting the lower side
    LiftDragCoefficients k = flatPlate();
    const SurfaceForce sliding = liftAndDrag(along, Vector3D(0.0, 0.0, 1.0), edge, 2.0, kDensity, k);
    const SurfaceForce crossing = liftAndDrag(Vector3D(0.0, -10.0, -1.0), Vector3D(0.0, 0.0, 1.0), edge, 2.0,
                                              kDensity, k);
    EXPECT_LT(std::fabs(sliding.force.z), 0.2 * crossing.force.z);

    // Swept 30 degrees: the lift is that of the crossing flow, cos^2 of the
    // dynamic pressure at 1/cos of the angle, to first order cos times the unswept lift.
    const double sweep = 30.0 * kPi / 180.0;
    const Vector3D sweptEdge(std::cos(sweep), -std::sin(sweep), 0.0);
    const SurfaceForce swept = at(4.0, 10.0, k, sweptEdge);
    const SurfaceForce straight = at(4.0, 10.0, k);
    EXPECT_NEAR(swept.force.z / straight.force.z, std::cos(sweep), 0.03);
}
