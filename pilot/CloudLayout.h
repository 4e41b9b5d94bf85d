#pragma once

#include <vector>

#include "atmosphere/ThermalField.h"

class HeightField;

// Where the cumulus stand: one cloud at the top of the convective layer
// over each working thermal, drifting with it, a cluster of round puffs
// whose size follows the thermal's life: none while it is young or dying,
// growing as it matures, dissolving as it decays. Arithmetic only, so it is
// tested without a window; every array is sized once.
class CloudLayout {
public:
    static constexpr int kPuffsPerCloud = 7;
    // Below this share of its peak a thermal carries no cloud.
    static constexpr double kFirstShare = 0.3;

    struct Puff {
        double x = 0.0; // (unit: m) centre
        double y = 0.0;
        double z = 0.0;
        double radius = 0.0;  // (unit: m)
        double opacity = 0.0; // 0 to 1
    };

    // `thermals` null or `terrain` null: never any cloud. Both must outlive
    // the layout.
    CloudLayout(const ThermalField* thermals, const HeightField* terrain);

    // The puffs at `time` (s); returns how many were written to puffs().
    int layOut(double time);
    const std::vector<Puff>& puffs() const { return placed; }
    std::size_t capacity() const { return placed.size(); }

    // (unit: m) a cloud's full radius over a thermal of outer radius `radius`.
    static double fullRadius(double radius);

private:
    const ThermalField* field;
    const HeightField* terrain;
    std::vector<ThermalNow> thermals;
    std::vector<Puff> placed;
};
