#include "atmosphere/ThermalField.h"

#include <cmath>
#include "physics/SharedConstants.h"

#include "atmosphere/GroundHeating.h"
#include "atmosphere/SplitMix64.h"

namespace {


// A triangular draw in [-1, 1]: no transcendental functions, so the same
// bits on every machine.
double centred(SplitMix64& random) { return random.uniform() + random.uniform() - 1.0; }

// One life of a lane: its own generator, from the lane's key and the life's number.
SplitMix64 lifeRandom(std::uint64_t key, long long number) {
    SplitMix64 mix(key ^ (static_cast<std::uint64_t>(number) * 0xD1B54A32D192ED03ull));
    return SplitMix64(mix.next());
}

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
    if (living) {
        return livingVelocity(x, y, height, time);
    }
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

void ThermalField::makeLiving(const ThermalLifecycle& given, const HeightField* terrain) {
    cycle = given;
    living = true;
    cycleLength = lifecycle::kCycleLifetimes * cycle.lifetime;
    const GroundHeating heating(terrain, cycle.sun, cycle.waterLevel);
    const std::size_t count = sources.size();
    triggerX.assign(count * kTriggers, 0.0);
    triggerY.assign(count * kTriggers, 0.0);
    triggerCount.assign(count, 0);
    lanes.assign(count * lifecycle::kLivesPerSite, Lane{});
    lives.assign(lanes.size(), Live{});
    refreshed = false;
    SplitMix64 random(cycle.seed);
    for (std::size_t s = 0; s < count; ++s) {
        // The site itself first, so a thermal named at a place is born
        // there while the ground there heats; then points around it.
        int found = 0;
        for (int attempt = 0; attempt < 4 * kTriggers && found < kTriggers; ++attempt) {
            double x = sources[s].x;
            double y = sources[s].y;
            if (attempt > 0) {
                const double radius = cycle.triggerRadius * std::sqrt(random.uniform());
                const double angle = 2.0 * kPi * random.uniform();
                x += radius * std::cos(angle);
                y += radius * std::sin(angle);
            }
            if (heating.at(x, y) >= GroundHeating::kTriggering) {
                triggerX[s * kTriggers + static_cast<std::size_t>(found)] = x;
                triggerY[s * kTriggers + static_cast<std::size_t>(found)] = y;
                ++found;
            }
        }
        triggerCount[s] = found;
        // Lanes half a cycle apart, so a site is seldom without a thermal.
        const double phase = -random.uniform() * cycleLength;
        for (int l = 0; l < lifecycle::kLivesPerSite; ++l) {
            Lane& lane = lanes[s * lifecycle::kLivesPerSite + static_cast<std::size_t>(l)];
            lane.source = static_cast<int>(s);
            lane.phase = phase + cycleLength * l / lifecycle::kLivesPerSite;
            lane.key = random.next();
        }
    }
}

void ThermalField::refresh(double time) const {
    if (refreshed && refreshedAt == time) {
        return;
    }
    refreshed = true;
    refreshedAt = time;
    liveAreaScale = 0.0;
    liveFluxScale = 0.0;
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        const Lane& lane = lanes[i];
        const Source& source = sources[static_cast<std::size_t>(lane.source)];
        Live& live = lives[i];
        live.strength = 0.0;
        live.share = 0.0;
        const int triggers = triggerCount[static_cast<std::size_t>(lane.source)];
        if (triggers == 0) {
            continue;
        }
        const double sinceFirst = time - lane.phase;
        const double number = std::floor(sinceFirst / cycleLength);
        SplitMix64 random = lifeRandom(lane.key, static_cast<long long>(number));
        const double spread = cycle.spread;
        const double life = cycle.lifetime * (1.0 + spread * centred(random));
        // Born after a rest, so the whole life fits in its cycle.
        const double born = lane.phase + number * cycleLength + (cycleLength - life) * random.uniform();
        const double strength = source.strength * (1.0 + spread * centred(random));
        const std::size_t at = static_cast<std::size_t>(lane.source) * kTriggers +
                               static_cast<std::size_t>(random.next() % static_cast<std::uint64_t>(triggers));
        const double age = time - born;
        const double share = lifecycle::strengthAt(age, life);
        if (share <= 0.0) {
            continue;
        }
        // A thermal leaves its trigger point and drifts with the wind.
        live.x = triggerX[at] + driftX * age;
        live.y = triggerY[at] + driftY * age;
        live.strength = strength * share;
        live.share = share;
        live.age = age;
        live.life = life;
        liveAreaScale += source.radiusScale * source.radiusScale * share;
        liveFluxScale += source.radiusScale * source.radiusScale * live.strength;
    }
}

double ThermalField::livingVelocity(double x, double y, double height, double time) const {
    const updraft::LayerAtHeight layer = updraft::layerAt(height, layerDepth);
    if (layer.heightFraction == 0.0 || lanes.empty()) {
        return 0.0;
    }
    refresh(time);
    // The nearest living thermal in units of its own size, as in a static field.
    std::size_t nearest = lives.size();
    double nearestScaled = 0.0;
    for (std::size_t i = 0; i < lives.size(); ++i) {
        if (lives[i].strength <= 0.0) {
            continue;
        }
        const double dx = x - lives[i].x;
        const double dy = y - lives[i].y;
        const double scaled = (dx * dx + dy * dy) * sources[static_cast<std::size_t>(lanes[i].source)].inverseScaleSquared;
        if (nearest == lives.size() || scaled < nearestScaled) {
            nearest = i;
            nearestScaled = scaled;
        }
    }
    if (nearest == lives.size()) {
        return 0.0; // no thermal alive: the air between them rests too
    }
    const Source& source = sources[static_cast<std::size_t>(lanes[nearest].source)];
    const double distance = std::sqrt(nearestScaled) * source.radiusScale;
    const double meanDisc = kPi * layer.meanRadius * layer.meanRadius;
    const double sink = updraft::environmentSink(layer, meanDisc * layer.meanUpdraft * liveFluxScale,
                                                 meanDisc * liveAreaScale, area);
    const updraft::UpdraftAtHeight thermal = updraft::updraftAt(layer, source.radiusScale, lives[nearest].strength);
    return updraft::verticalVelocity(layer, thermal, distance, sink);
}

int ThermalField::thermalsAt(double time, ThermalNow* out, int room) const {
    const updraft::LayerAtHeight reference = updraft::layerAt(updraft::kStrongestHeightFraction * layerDepth, layerDepth);
    int written = 0;
    if (!living) {
        for (std::size_t i = 0; i < sources.size() && written < room; ++i) {
            const Source& source = sources[i];
            const updraft::UpdraftAtHeight u = updraft::updraftAt(reference, source.radiusScale, source.strength);
            out[written++] = ThermalNow{source.x + driftX * time, source.y + driftY * time, u.peakUpdraft,
                                        u.outerRadius, 1.0, 0.0, 0.0, static_cast<int>(i)};
        }
        return written;
    }
    refresh(time);
    for (std::size_t i = 0; i < lives.size() && written < room; ++i) {
        const Live& live = lives[i];
        if (live.strength <= 0.0) {
            continue;
        }
        const Source& source = sources[static_cast<std::size_t>(lanes[i].source)];
        const updraft::UpdraftAtHeight u = updraft::updraftAt(reference, source.radiusScale, live.strength);
        out[written++] =
            ThermalNow{live.x, live.y, u.peakUpdraft, u.outerRadius, live.share, live.age, live.life, static_cast<int>(i)};
    }
    return written;
}
