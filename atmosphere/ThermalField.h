#pragma once

#include <vector>

#include "atmosphere/Thermal.h"
#include "atmosphere/ThermalLifecycle.h"
#include "atmosphere/UpdraftProfile.h"

class HeightField;

// One thermal as it stands at a moment, for whoever draws or reports the air.
struct ThermalNow {
    double x = 0.0;        // (unit: m) centre now, drift included
    double y = 0.0;        // (unit: m)
    double updraft = 0.0;  // (unit: m/s) core at the reference height, its life's strength included
    double radius = 0.0;   // (unit: m) outer radius at the reference height
    double strength = 0.0; // its life's share of its peak, 0 to 1; 1 in a static field
    double age = 0.0;      // (unit: s) since birth; 0 in a static field
    double life = 0.0;     // (unit: s) from birth to death; 0 in a static field (it never dies)
    int site = 0;          // which of the field's sites (a living field's lanes) it stands for
};

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

    // From here on each thermal lives and dies as `cycle` says, born where
    // the ground heats (over `terrain`, or flat ground when null; the terrain
    // must outlive the field). Every array is sized here, once.
    void makeLiving(const ThermalLifecycle& cycle, const HeightField* terrain);
    bool isLiving() const { return living; }
    // The most thermals alive at once.
    std::size_t capacity() const { return living ? lanes.size() : sources.size(); }
    // Writes the thermals alive at `time` (s), at most `room` of them, and
    // returns how many. Allocates nothing.
    int thermalsAt(double time, ThermalNow* out, int room) const;

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

    // A living field: each source's site holds kLivesPerSite staggered
    // lanes, each a sequence of lives at the site's trigger points.
    static constexpr int kTriggers = 8;
    struct Lane {
        int source = 0;
        double phase = 0.0; // (unit: s) when its life 0's cycle starts
        std::uint64_t key = 0; // mixes the seed, the source and the lane
    };
    // A lane's life at one moment; strength 0 when none is alive.
    struct Live {
        double x = 0.0; // (unit: m) centre now
        double y = 0.0;
        double strength = 0.0;  // (unit: m/s) convective velocity scale, life included
        double share = 0.0;     // its life's share of its peak
        double age = 0.0;       // (unit: s)
        double life = 0.0;      // (unit: s)
    };
    void refresh(double time) const;
    double livingVelocity(double x, double y, double height, double time) const;

    bool living = false;
    ThermalLifecycle cycle;
    double cycleLength = 0.0; // (unit: s)
    std::vector<Lane> lanes;
    std::vector<double> triggerX; // (unit: m) kTriggers per source
    std::vector<double> triggerY;
    std::vector<int> triggerCount; // per source; 0: the ground never heats there
    // The lanes as they stand at `refreshedAt`: the queries of one step all
    // ask at the same time, so the lives are worked out once per step.
    mutable std::vector<Live> lives;
    mutable double refreshedAt = 0.0;
    mutable bool refreshed = false;
    mutable double liveAreaScale = 0.0;
    mutable double liveFluxScale = 0.0;
};
