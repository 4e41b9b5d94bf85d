#include "recording/SailTrack.h"
#include "recording/WholeFile.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t{1} << 31; // (unit: bytes) over a day of frames
constexpr double kFarthest = 1.0e7;                         // (unit: metres) beyond any world

std::uint64_t getUnsigned(const unsigned char* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    }
    return value;
}

double getDouble(const unsigned char* in) {
    const std::uint64_t bits = getUnsigned(in, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

std::string SailTrack::load(const std::string& path) {
    std::string bytes;
    if (std::string reason = readWholeFile(path, kMaxFileBytes, "a sail record", bytes); !reason.empty()) {
        return reason;
    }
    return parse(std::move(bytes), path);
}

std::string SailTrack::parse(std::string bytes, const std::string& name) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < flight::kSailHeaderBytes) {
        return name + ": too short for a sail record (" + std::to_string(bytes.size()) + " bytes, the header alone is " +
               std::to_string(flight::kSailHeaderBytes) + ")";
    }
    if (std::memcmp(in, flight::kSailMagic, sizeof flight::kSailMagic) != 0) {
        return name + ": not a sail record (it does not begin with GLIDSAIL)";
    }
    const auto version = getUnsigned(in + 8, 2);
    if (version != flight::kSailVersion) {
        return name + ": a sail record of version " + std::to_string(version) + "; this program reads version " +
               std::to_string(flight::kSailVersion);
    }
    flight::SailLayout read;
    read.particles = static_cast<int>(getUnsigned(in + 10, 2));
    read.stepsBetweenFrames = static_cast<int>(getUnsigned(in + 12, 2));
    read.hub = static_cast<int>(getUnsigned(in + 14, 2));
    const auto quantumBits = static_cast<std::uint32_t>(getUnsigned(in + 16, 4));
    std::memcpy(&read.quantum, &quantumBits, sizeof read.quantum);
    if (read.particles < 1 || read.particles > flight::kSailMostParticles) {
        return name + ": " + std::to_string(read.particles) + " particles, expected 1 to " +
               std::to_string(flight::kSailMostParticles);
    }
    if (read.stepsBetweenFrames < 1 || read.stepsBetweenFrames > flight::kSailMostStepsBetweenFrames) {
        return name + ": " + std::to_string(read.stepsBetweenFrames) + " steps between frames, expected 1 to " +
               std::to_string(flight::kSailMostStepsBetweenFrames);
    }
    if (read.hub >= read.particles) {
        return name + ": the hub is particle " + std::to_string(read.hub) + " of " + std::to_string(read.particles);
    }
    if (!(read.quantum > 0.0f && read.quantum <= 1.0f)) {
        return name + ": the offsets' quantum is not a length from 0 to 1 m";
    }
    if (getUnsigned(in + 20, 4) != 0) {
        return name + ": the header's reserved bytes are not zero";
    }
    const std::size_t frameBytes = flight::sailFrameBytes(read.particles);
    const std::size_t body = bytes.size() - flight::kSailHeaderBytes;
    if (body % frameBytes != 0) {
        return name + ": ends within a frame (cut short?): " + std::to_string(body) + " bytes of frames of " +
               std::to_string(frameBytes);
    }
    const int count = static_cast<int>(body / frameBytes);
    std::int64_t previous = -1;
    for (int k = 0; k < count; ++k) {
        const unsigned char* frame = in + flight::kSailHeaderBytes + static_cast<std::size_t>(k) * frameBytes;
        const auto step = static_cast<std::int32_t>(static_cast<std::uint32_t>(getUnsigned(frame, 4)));
        const std::string where = name + ": frame " + std::to_string(k + 1) + ": ";
        if (step <= previous) {
            return where + (step < 0 ? "the step is negative" : "steps must increase");
        }
        previous = step;
        for (int axis = 0; axis < 3; ++axis) {
            const double at = getDouble(frame + 4 + 8 * axis);
            if (!std::isfinite(at) || std::fabs(at) > kFarthest) {
                return where + "the hub is not a place in the world";
            }
        }
    }
    layout = read;
    data = std::move(bytes);
    frames = count;
    return {};
}

std::int64_t SailTrack::stepOf(int frame) const {
    const auto* at = reinterpret_cast<const unsigned char*>(data.data()) + flight::kSailHeaderBytes +
                     static_cast<std::size_t>(frame) * flight::sailFrameBytes(layout.particles);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(getUnsigned(at, 4)));
}

void SailTrack::decode(int frame, double weight, Vector3D* positions, bool add) const {
    const auto* at = reinterpret_cast<const unsigned char*>(data.data()) + flight::kSailHeaderBytes +
                     static_cast<std::size_t>(frame) * flight::sailFrameBytes(layout.particles);
    const Vector3D hub(getDouble(at + 4), getDouble(at + 12), getDouble(at + 20));
    const unsigned char* offsets = at + 28;
    for (int i = 0; i < layout.particles; ++i) {
        double metres[3];
        for (double& m : metres) {
            m = static_cast<std::int16_t>(static_cast<std::uint16_t>(getUnsigned(offsets, 2))) *
                static_cast<double>(layout.quantum);
            offsets += 2;
        }
        const Vector3D p = (hub + Vector3D(metres[0], metres[1], metres[2])) * weight;
        positions[i] = add ? positions[i] + p : p;
    }
}

bool SailTrack::poseAt(std::int64_t step, Vector3D* positions) const {
    if (frames == 0 || step < stepOf(0) || step > stepOf(frames - 1)) {
        return false;
    }
    // The last frame at or before `step`.
    int low = 0;
    int high = frames - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (stepOf(middle) <= step) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    const std::int64_t from = stepOf(low);
    if (from == step || low + 1 == frames) {
        decode(low, 1.0, positions, false);
        return true;
    }
    const double after = static_cast<double>(step - from) / static_cast<double>(stepOf(low + 1) - from);
    decode(low, 1.0 - after, positions, false);
    decode(low + 1, after, positions, true);
    return true;
}
