#include "atmosphere/ThermalField.h"

#include <cmath>
#include "physics/SharedConstants.h"

namespace {


} // namespace

ThermalField::ThermalField(std::vector<Thermal> thermals, double depth, double driftX_, double driftY_,
                           double area_)
    : layerDepth(depth), driftX(driftX_), driftY(driftY_), area(area_), sumAreaScale(0.0), sumFluxScale(0.0) {
    // The description holds where the layer's thermals are strongest.
    const updraft::LayerAtHeight reference = updraft::layerAt(updraft::kStrongestHeightFraction * depth, depth);
    sources.reserve(thermals.size());
    for (const Thermal& t : thermals) {
        Source source;
        source.x = t.x;
        source.y = t.y;
        source.radiusScale = t.radius / reference.meanRadius;
        source.inverseScaleSquared = 1.0 / (source.radiusScale * source.radiusScale);
        // The peak per unit of strength at the reference height, for this radius.
        const updraft::UpdraftAtHeight unit = updraft::updraftAt(reference, source.radiusScale, 1.0);
        source.strength = t.updraft / unit.peakUpdraft;
        sumAreaScale += source.radiusScale * source.radiusScale;
        sumFluxScale += source.radiusScale * source.radiusScale * source.strength;
        sources.push_back(source);
    }
}

double ThermalField::smallestArea(const std::vector<Thermal>& thermals, double depth) {
    // The layer's mean radius is widest at its top.
    const updraft::LayerAtHeight reference = updraft::layerAt(updraft::kStrongestHeightFraction * depth, depth);
    const double widest = 0.102 * 0.75 * depth;
    double sum = 0.0;
    for (const Thermal& t : thermals) {
        const double r = t.radius / reference.meanRadius * widest;
        sum += kPi * r * r;
    }
    return sum;
}

double ThermalField::verticalVelocity(double x, double y, double height, double time) const {
    if (sources.empty()) {
        return 0.0;
    }
    const updraft::LayerAtHeight layer = updraft::layerAt(height, layerDepth);
    if (layer.heightFraction == 0.0) {
        return 0.0;
    }
    // Thermals drift with the wind: move the question against the drift.
    const double qx = x - driftX * time;
    const double qy = y - driftY * time;

    // The thermal that matters is the nearest in units of its own size, so a
    // wide thermal is not hidden by a small one slightly nearer.
    std::size_t nearest = 0;
    double nearestScaled = 0.0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const double dx = qx - sources[i].x;
        const double dy = qy - sources[i].y;
        const double scaled = (dx * dx + dy * dy) * sources[i].inverseScaleSquared;
        if (i == 0 || scaled < nearestScaled) {
            nearest = i;
            nearestScaled = scaled;
        }
    }
    const Source& source = sources[nearest];
    const double distance = std::sqrt(nearestScaled) * source.radiusScale;

    const double meanDisc = kPi * layer.meanRadius * layer.meanRadius;
    const double sink = updraft::environmentSink(layer, meanDisc * layer.meanUpdraft * sumFluxScale,
                                                 meanDisc * sumAreaScale, area);
    const updraft::UpdraftAtHeight thermal = updraft::updraftAt(layer, source.radiusScale, source.strength);
    return updraft::verticalVelocity(layer, thermal, distance, sink);
}
