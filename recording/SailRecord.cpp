#include "recording/SailRecord.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace flight {

namespace {

void putUnsigned(unsigned char*& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out++ = static_cast<unsigned char>(value >> (8 * i));
    }
}

void putDouble(unsigned char*& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putUnsigned(out, bits, 8);
}

std::int16_t quantise(double metres, float quantum) {
    const double units = std::round(metres / quantum);
    return static_cast<std::int16_t>(std::clamp(std::isfinite(units) ? units : 0.0, -32767.0, 32767.0));
}

} // namespace

void formatSailHeader(unsigned char* out, const SailLayout& layout) {
    std::memcpy(out, kSailMagic, sizeof kSailMagic);
    out += sizeof kSailMagic;
    putUnsigned(out, kSailVersion, 2);
    putUnsigned(out, static_cast<std::uint64_t>(layout.particles), 2);
    putUnsigned(out, static_cast<std::uint64_t>(layout.stepsBetweenFrames), 2);
    putUnsigned(out, static_cast<std::uint64_t>(layout.hub), 2);
    std::uint32_t bits;
    std::memcpy(&bits, &layout.quantum, sizeof bits);
    putUnsigned(out, bits, 4);
    putUnsigned(out, 0, 4);
}

void formatSailFrame(unsigned char* out, const SailLayout& layout, int step, const ParticleSystem& world) {
    putUnsigned(out, static_cast<std::uint32_t>(step), 4);
    const Vector3D hub = world.particleAt(layout.hub).position;
    putDouble(out, hub.x);
    putDouble(out, hub.y);
    putDouble(out, hub.z);
    for (int i = 0; i < layout.particles; ++i) {
        const Vector3D offset = world.particleAt(i).position - hub;
        for (const double metres : {offset.x, offset.y, offset.z}) {
            putUnsigned(out, static_cast<std::uint16_t>(quantise(metres, layout.quantum)), 2);
        }
    }
}

} // namespace flight
