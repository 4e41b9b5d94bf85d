#include "pilot/CloudLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "atmosphere/SplitMix64.h"
#include "terrain/HeightField.h"
#include "physics/SharedConstants.h"

namespace {


double smoothstep(double low, double high, double x) {
    const double t = std::clamp((x - low) / (high - low), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

CloudLayout::CloudLayout(const ThermalField* thermals_, const HeightField* terrain_)
    : field(thermals_ != nullptr && terrain_ != nullptr ? thermals_ : nullptr), terrain(terrain_) {
    if (field != nullptr) {
        thermals.assign(field->capacity(), ThermalNow{});
        placed.assign(field->capacity() * kPuffsPerCloud, Puff{});
    }
}

double CloudLayout::fullRadius(double radius) { return std::clamp(3.0 * radius, 150.0, 1200.0); }

int CloudLayout::layOut(double time) {
    if (field == nullptr) {
        return 0;
    }
    const int count = field->thermalsAt(time, thermals.data(), static_cast<int>(thermals.size()));
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const ThermalNow& t = thermals[static_cast<std::size_t>(i)];
        const double grown = smoothstep(kFirstShare, 1.0, t.strength);
        if (grown <= 0.0) {
            continue;
        }
        const double base = terrain->heightAt(t.x, t.y) + field->depth();
        const double radius = fullRadius(t.radius) * (0.35 + 0.65 * grown);
        // The same thermal keeps the same shape all its life.
        std::uint64_t lifeBits = 0;
        std::memcpy(&lifeBits, &t.life, sizeof lifeBits);
        SplitMix64 random(static_cast<std::uint64_t>(t.site) * 0x9E3779B97F4A7C15ull ^ lifeBits);
        Puff& core = placed[static_cast<std::size_t>(written++)];
        core = Puff{t.x, t.y, base + 0.45 * radius, 0.62 * radius, grown};
        const double turn = 2.0 * kPi * random.uniform();
        for (int k = 1; k < kPuffsPerCloud; ++k) {
            const double angle = turn + 2.0 * kPi * k / (kPuffsPerCloud - 1) + 0.5 * (random.uniform() - 0.5);
            const double out = radius * (0.45 + 0.25 * random.uniform());
            Puff& puff = placed[static_cast<std::size_t>(written++)];
            puff = Puff{t.x + out * std::cos(angle), t.y + out * std::sin(angle),
                        base + radius * (0.25 + 0.25 * random.uniform()), radius * (0.38 + 0.15 * random.uniform()),
                        grown};
        }
    }
    return written;
}
