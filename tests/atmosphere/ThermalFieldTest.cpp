#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/ThermalField.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

constexpr double kDepth = 1500.0;
constexpr double kReference = updraft::kStrongestHeightFraction * kDepth;

// One 3 m/s, 100 m thermal at the origin, its sink spread over a square kilometre.
ThermalField singleThermal(double driftX = 0.0, double driftY = 0.0) {
    return ThermalField({Thermal{0.0, 0.0, 3.0, 100.0}}, kDepth, driftX, driftY, ThermalField::defaultArea(1));
}

// The vertical velocity at `height`, `distance` metres east of the centre.
double at(const ThermalField& field, double distance, double height) {
    return field.verticalVelocity(distance, 0.0, height, 0.0);
}

// Integral of w over the 1 km square centred on the thermal: the net volume
// flux (m³/s), and the rising part alone.
struct Flux {
    double net = 0.0;
    double rising = 0.0;
};
Flux fluxThrough(const ThermalField& field, double height) {
    const double cell = 2.0; // (unit: m)
    Flux flux;
    for (double x = -500.0 + 0.5 * cell; x < 500.0; x += cell) {
        for (double y = -500.0 + 0.5 * cell; y < 500.0; y += cell) {
            const double w = field.verticalVelocity(x, y, height, 0.0);
            flux.net += w * cell * cell;
            flux.rising += std::max(0.0, w) * cell * cell;
        }
    }
    return flux;
}

} // namespace

TEST(ThermalProfile, PeaksAtTheCentreWithTheDescribedUpdraftAndFallsOffOutwards) {
    FloatingPointTraps traps;
    const ThermalField field = singleThermal();
    EXPECT_NEAR(at(field, 0.0, kReference), 3.0, 0.1);
    double previous = at(field, 0.0, kReference);
    for (double r = 10.0; r <= 150.0; r += 10.0) {
        const double w = at(field, r, kReference);
        EXPECT_LE(w, previous + 1e-12) << "at " << r << " m";
        previous = w;
    }
    // Half the peak near the described radius's middle, nothing much at its edge.
    EXPECT_GT(at(field, 50.0, kReference), 1.5);
    EXPECT_LT(at(field, 100.0, kReference), 0.5);
}

TEST(ThermalProfile, CoreWidensWithHeight) {
    const ThermalField field = singleThermal();
    // The distance where the updraft has fallen to half its centre value.
    auto halfWidth = [&field](double height) {
        const double half = 0.5 * at(field, 0.0, height);
        double r = 0.0;
        while (at(field, r, height) > half) {
            r += 1.0;
        }
        return r;
    };
    EXPECT_LT(halfWidth(100.0), halfWidth(kReference));
    EXPECT_LT(halfWidth(kReference), halfWidth(900.0));
}

TEST(ThermalProfile, HasASinkRingAtItsEdgeHighInTheLayerOnly) {
    const ThermalField field = singleThermal();
    const double far = at(field, 450.0, 0.7 * kDepth); // the environment's sink alone
    EXPECT_LT(far, 0.0);
    double lowestHigh = 0.0;
    double lowestLow = 0.0;
    for (double r = 0.0; r <= 400.0; r += 2.0) {
        lowestHigh = std::min(lowestHigh, at(field, r, 0.7 * kDepth));
        lowestLow = std::min(lowestLow, at(field, r, 0.3 * kDepth));
    }
    EXPECT_LT(lowestHigh, far - 0.1) << "a downdraft ring well below the surrounding sink";
    EXPECT_GE(lowestLow, at(field, 450.0, 0.3 * kDepth) - 1e-9) << "low down the edge only blends into the sink";
}

TEST(ThermalProfile, AirItCarriesUpComesBackDownAroundIt) {
    const ThermalField field = singleThermal();
    for (double fraction : {0.15, 0.3, 0.5, 0.7, 0.85}) {
        const Flux flux = fluxThrough(field, fraction * kDepth);
        EXPECT_GT(flux.rising, 0.0);
        EXPECT_LT(std::fabs(flux.net), 0.15 * flux.rising) << "at " << fraction << " of the layer";
    }
}

TEST(ThermalProfile, FadesAtTheGroundAndAtTheTop) {
    FloatingPointTraps traps;
    const ThermalField field = singleThermal();
    for (double height : {-10.0, 0.0, kDepth, kDepth + 100.0}) {
        EXPECT_EQ(at(field, 0.0, height), 0.0) << "at " << height << " m";
        EXPECT_EQ(at(field, 300.0, height), 0.0) << "at " << height << " m";
    }
    EXPECT_LT(at(field, 0.0, 5.0), 0.4 * at(field, 0.0, kReference)) << "weak just above the ground";
    EXPECT_LT(at(field, 0.0, 0.93 * kDepth), 0.05) << "spent just below the top";
    EXPECT_EQ(at(field, 0.0, std::nan("")), 0.0) << "a diverged position asks for nothing";
}

TEST(ThermalProfile, DriftsWithTheWind) {
    const ThermalField drifting = singleThermal(4.0, -3.0);
    const ThermalField still = singleThermal();
    const double t = 50.0;
    // After 50 s the core stands 200 m east and 150 m south of where it rose.
    EXPECT_NEAR(drifting.verticalVelocity(200.0, -150.0, kReference, t), at(still, 0.0, kReference), 1e-9);
    EXPECT_NEAR(drifting.verticalVelocity(230.0, -150.0, kReference, t), at(still, 30.0, kReference), 1e-9);
    EXPECT_LT(drifting.verticalVelocity(0.0, 0.0, kReference, t), 0.0) << "the first spot is now in the sink";
}

TEST(ThermalProfile, EachPlaceFeelsTheNearestThermalInUnitsOfItsSize) {
    const ThermalField pair({Thermal{0.0, 0.0, 3.0, 100.0}, Thermal{600.0, 0.0, 2.0, 300.0}}, kDepth, 0.0, 0.0,
                            ThermalField::defaultArea(2));
    EXPECT_NEAR(at(pair, 0.0, kReference), 3.0, 0.1);
    EXPECT_NEAR(at(pair, 600.0, kReference), 2.0, 0.1);
    // 200 m from the small one is its sink, but well inside the wide one.
    EXPECT_GT(at(pair, 400.0, kReference), 1.0);
}

TEST(ThermalProfile, NoThermalsNoMovingAir) {
    const ThermalField none({}, kDepth, 1.0, 1.0, 1.0e6);
    EXPECT_EQ(none.verticalVelocity(0.0, 0.0, kReference, 0.0), 0.0);
}

TEST(ThermalProfile, FarFromEveryThermalOnlyTheEnvironmentSinks) {
    // The shortcut beyond twice the outer radius must agree with the bell it
    // skips: just inside and just outside, for every fitted shape.
    for (double radius : {10.0, 60.0, 150.0, 250.0, 350.0, 450.0, 550.0, 700.0}) {
        const updraft::LayerAtHeight layer = updraft::layerAt(0.4 * kDepth, kDepth);
        const updraft::UpdraftAtHeight thermal = updraft::updraftAt(layer, radius / layer.meanRadius, 2.0);
        const double sink = -0.2;
        const double inside = updraft::verticalVelocity(layer, thermal, 1.999 * thermal.outerRadius, sink);
        const double outside = updraft::verticalVelocity(layer, thermal, 2.0 * thermal.outerRadius, sink);
        EXPECT_EQ(outside, sink) << radius;
        EXPECT_NEAR(inside, sink, 1e-3) << radius;
    }
}
