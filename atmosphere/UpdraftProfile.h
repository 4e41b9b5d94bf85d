#pragma once

// The vertical air velocity of one convective updraft, as a function of the
// distance from its centre and the height in the convective layer: a core
// whose radius grows with height, a smooth peak at the centre, a ring of
// downdraft at its edge in the upper half of the layer and a gentle sink of
// the environment around it that carries the updraft's air back down. The
// profile and its constants follow M. J. Allen, "Updraft Model for
// Development of Autonomous Soaring Uninhabited Air Vehicles", AIAA
// 2006-1510 (NASA Dryden), fitted to balloon and surface measurements.
namespace updraft {

// Below this outer radius a thermal is too small to be a thermal.
constexpr double kSmallestOuterRadius = 10.0; // (unit: m)
// The height, as a fraction of the layer's depth, where the mean updraft of
// the layer's thermals is strongest: the derivative of h^(1/3)(1 - 1.1 h)
// vanishes at h = 1 / 4.4.
constexpr double kStrongestHeightFraction = 1.0 / 4.4;

// The sizes and strengths every thermal of a layer shares at one height,
// before each thermal's own scale factors.
struct LayerAtHeight {
    double heightFraction = 0.0; // height above ground over the layer's depth; 0 outside the layer
    double meanRadius = 0.0;     // (unit: m) the layer's mean outer radius at this height
    double meanUpdraft = 0.0;    // (unit: m/s) per m/s of convective velocity scale; never negative
    double downdraftScale = 0.0; // how much of the edge downdraft this height has, 0 to 1
};

// `height` (m) above the ground in a layer `depth` metres deep. Outside the
// layer (at or below the ground, at or above its top) nothing rises.
LayerAtHeight layerAt(double height, double depth);

// One thermal's radii and strength at a height, from the layer's values and
// the thermal's own scale factors.
struct UpdraftAtHeight {
    double outerRadius = 0.0; // (unit: m) where the updraft has faded into its surroundings
    double coreRadius = 0.0;  // (unit: m) inside it the air rises almost uniformly
    double meanUpdraft = 0.0; // (unit: m/s) averaged over the outer radius's disc
    double peakUpdraft = 0.0; // (unit: m/s) at the centre
};

UpdraftAtHeight updraftAt(const LayerAtHeight& layer, double radiusScale, double strength);

// (unit: m/s) the vertical velocity `distance` metres from the centre of a
// thermal, including the environment's sink `environmentSink` (m/s, zero or
// negative) that the updraft is blended into outside its core.
double verticalVelocity(const LayerAtHeight& layer, const UpdraftAtHeight& thermal, double distance,
                        double environmentSink);

// (unit: m/s) zero or negative: the sink of the air between thermals that
// balances the mass the thermals carry up. `risingFlux` is the sum over the
// thermals of mean updraft times disc area (m³/s), `risingArea` the sum of
// their disc areas and `area` the whole area they share (both m²).
double environmentSink(const LayerAtHeight& layer, double risingFlux, double risingArea, double area);

} // namespace updraft
