#include "atmosphere/UpdraftProfile.h"

#include <algorithm>
#include <cmath>
#include "physics/SharedConstants.h"

namespace updraft {

namespace {


// The bell's four shape constants for seven ratios of core to outer radius,
// as fitted to the measured updraft profiles.
struct Shape {
    double ratio;
    double a;
    double b;
    double c;
    double d;
};
constexpr Shape kShapes[] = {
    {0.14, 1.5352, 2.5826, -0.0113, -0.1950}, {0.25, 1.5265, 3.6054, -0.0176, -0.1265},
    {0.36, 1.4866, 4.8356, -0.0320, -0.0818}, {0.47, 1.2042, 7.7904, 0.0848, -0.0445},
    {0.58, 0.8816, 13.9720, 0.3404, -0.0216}, {0.69, 0.7067, 23.9940, 0.5689, -0.0099},
    {0.80, 0.6189, 42.7965, 0.7157, -0.0033},
};
constexpr int kShapeCount = static_cast<int>(sizeof(kShapes) / sizeof(kShapes[0]));

// The fitted shape whose ratio lies nearest.
const Shape& shapeFor(double coreToOuter) {
    int i = 0;
    while (i + 1 < kShapeCount && coreToOuter >= 0.5 * (kShapes[i].ratio + kShapes[i + 1].ratio)) {
        ++i;
    }
    return kShapes[i];
}

// Larger thermals have a relatively wider core, up to a flat-topped 0.8.
double coreToOuterRatio(double outerRadius) { return outerRadius < 600.0 ? 0.0011 * outerRadius + 0.14 : 0.8; }

} // namespace

LayerAtHeight layerAt(double height, double depth) {
    LayerAtHeight layer;
    // Quiet comparisons: a NaN height lands here without raising anything.
    if (!std::isgreater(height, 0.0) || !std::isless(height, depth)) {
        return layer; // the ground and the inversion stop the air
    }
    const double h = height / depth;
    const double cubeRoot = std::cbrt(h);
    layer.heightFraction = h;
    layer.meanRadius = 0.102 * cubeRoot * (1.0 - 0.25 * h) * depth;
    // The measured profile turns negative just below the inversion (h > 1/1.1);
    // a thermal there has stopped rising, it does not suck air down its core.
    layer.meanUpdraft = std::max(0.0, cubeRoot * (1.0 - 1.1 * h));
    layer.downdraftScale = (h > 0.5 && h <= 0.9) ? 2.5 * (h - 0.5) : 0.0;
    return layer;
}

UpdraftAtHeight updraftAt(const LayerAtHeight& layer, double radiusScale, double strength) {
    UpdraftAtHeight thermal;
    if (layer.heightFraction == 0.0) {
        return thermal;
    }
    thermal.outerRadius = std::max(kSmallestOuterRadius, layer.meanRadius * radiusScale);
    thermal.coreRadius = coreToOuterRatio(thermal.outerRadius) * thermal.outerRadius;
    thermal.meanUpdraft = layer.meanUpdraft * strength;
    // The centre's velocity that gives the rotated-trapezoid profile this mean
    // over the outer disc.
    const double r2 = thermal.outerRadius;
    const double r1 = thermal.coreRadius;
    thermal.peakUpdraft = 3.0 * thermal.meanUpdraft * (r2 * r2 * r2 - r2 * r2 * r1) / (r2 * r2 * r2 - r1 * r1 * r1);
    return thermal;
}

double verticalVelocity(const LayerAtHeight& layer, const UpdraftAtHeight& thermal, double distance,
                        double environmentSink) {
    if (layer.heightFraction == 0.0) {
        return 0.0;
    }
    const double relative = distance / thermal.outerRadius;
    if (relative >= 2.0) {
        // Beyond twice the outer radius every fitted bell has fallen below its
        // linear term (so the updraft is clamped to nothing) and the downdraft
        // ring has ended: only the environment's sink is left. Most of the
        // sky is here, so the bell's power is not worth computing.
        return environmentSink;
    }
    const Shape& shape = shapeFor(thermal.coreRadius / thermal.outerRadius);
    const double bell = 1.0 / (1.0 + std::pow(shape.a * std::fabs(relative + shape.c), shape.b)) + shape.d * relative;
    const double rising = std::max(0.0, bell) * thermal.peakUpdraft;

    // The ring of sinking air just outside the core, only in the layer's
    // upper half where the thermal's air starts to overturn.
    double downdraft = 0.0;
    if (distance > thermal.coreRadius && relative < 2.0) {
        downdraft = std::min(0.0, layer.downdraftScale * (kPi / 6.0) * std::sin(kPi * relative));
    }
    const double local = rising + downdraft * thermal.meanUpdraft;
    if (!(distance > thermal.coreRadius)) {
        return local;
    }
    // Outside the core the profile is stretched so that it meets the
    // environment's sink instead of still air.
    if (thermal.peakUpdraft > 0.0) {
        return local * (1.0 - environmentSink / thermal.peakUpdraft) + environmentSink;
    }
    return local + environmentSink;
}

double environmentSink(const LayerAtHeight& layer, double risingFlux, double risingArea, double area) {
    const double free = area - risingArea;
    if (layer.heightFraction == 0.0 || !(free > 0.0)) {
        return 0.0;
    }
    return std::min(0.0, -(risingFlux * (1.0 - layer.downdraftScale)) / free);
}

} // namespace updraft
