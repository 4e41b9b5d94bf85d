#pragma once

#include <vector>

#include "atmosphere/Thermal.h"
#include "atmosphere/UpdraftProfile.h"

// The thermals of one convective layer: columns of rising air that drift
// with the wind, each surrounded by a ring of downdraft, and the gentle sink
// of the air between them that carries their air back down over `area`.
class ThermalField {
public:
    // Limits on what a field accepts; the scenario loader and the command
    // line check them before building one.
    static constexpr double kMinDepth = 100.0;   // (unit: m)
    static constexpr double kMaxDepth = 6000.0;  // (unit: m)
    static constexpr double kMaxUpdraft = 20.0;  // (unit: m/s)
    static constexpr double kMaxRadius = 2000.0; // (unit: m)

    // `depth` (m): the convective layer's depth, the thermals' top above the
    // ground. `drift` (m/s): the horizontal wind the thermals move with.
    // `area` (m²): the area whose sink balances the thermals; it must be
    // wider than the thermals' discs at the top of the layer.
    ThermalField(std::vector<Thermal> thermals, double depth, double driftX, double driftY, double area);

    // (unit: m/s) the vertical velocity `height` metres above the ground at
    // (x, y) and simulated time `time` (s). Allocates nothing.
    double verticalVelocity(double x, double y, double height, double time) const;

    // The area the sink is spread over when the caller has no better idea:
    // one square kilometre per thermal.
    static double defaultArea(std::size_t thermalCount) { return 1.0e6 * static_cast<double>(thermalCount); }
    // The smallest `area` that leaves room for sink around these thermals.
    static double smallestArea(const std::vector<Thermal>& thermals, double depth);

    double depth() const { return layerDepth; }
    std::size_t count() const { return sources.size(); }

private:
    // Each thermal's scale factors against the layer's mean profile, so the
    // description's updraft and radius hold at the reference height.
    struct Source {
        double x;           // (unit: m) at time 0
        double y;           // (unit: m)
        double radiusScale; // outer radius over the layer's mean radius
        double inverseScaleSquared; // 1 / radiusScale², for the nearest-thermal search
        double strength;    // (unit: m/s) the convective velocity scale of this thermal
    };
    std::vector<Source> sources;
    double layerDepth;     // (unit: m)
    double driftX;         // (unit: m/s)
    double driftY;         // (unit: m/s)
    double area;           // (unit: m²)
    double sumAreaScale;   // Σ radiusScale², the discs' share of the area
    double sumFluxScale;   // Σ radiusScale² × strength, the discs' share of the flux
};
