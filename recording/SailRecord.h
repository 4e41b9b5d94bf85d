#pragma once

#include <cstddef>
#include <cstdint>

#include "physics/ParticleSystem.h"

// The sail as flown, beside a flight's CSV: every particle of the world
// every few steps, compactly, so that a replay draws the sail flexing as it
// did. A binary file, little-endian whatever the machine:
//
//   header (24 bytes)
//     "GLIDSAIL"           8 bytes, the file's kind
//     version              uint16, kSailVersion
//     particle count       uint16, 1..kSailMostParticles
//     steps between frames uint16, 1..1000
//     hub                  uint16, the particle the others are measured from
//     quantum              float32, (unit: metres) of one offset unit, (0, 1]
//     reserved             4 zero bytes
//   frames, each 4 + 24 + 6 × count bytes, steps strictly increasing
//     step                 int32, from 0
//     hub position         3 × float64 (unit: metres), the world's
//     offsets              count × 3 × int16, each particle less the hub, in
//                          quanta (saturated at ±32767)
//
// A frame of the 49-particle glider is 322 bytes; at 20 frames a second a
// minute of flight takes 386 400 bytes. The file grows whole frames at a
// time, so its size less the header is a whole number of frames.
namespace flight {

constexpr char kSailMagic[8] = {'G', 'L', 'I', 'D', 'S', 'A', 'I', 'L'};
constexpr std::uint16_t kSailVersion = 1;
constexpr std::size_t kSailHeaderBytes = 24;
constexpr int kSailMostParticles = 4096;
constexpr int kSailMostStepsBetweenFrames = 1000;
constexpr int kSailStepsBetweenFrames = 5; // 20 frames a second: the sail's flex and flutter show
constexpr float kSailQuantum = 0.001f;     // (unit: metres) a millimetre: ±32.8 m about the hub

struct SailLayout {
    int particles = 0;
    int hub = 0;
    int stepsBetweenFrames = kSailStepsBetweenFrames;
    float quantum = kSailQuantum; // (unit: metres)
};

inline std::size_t sailFrameBytes(int particles) { return 4 + 24 + 6 * static_cast<std::size_t>(particles); }

// The header into `out` (kSailHeaderBytes long).
void formatSailHeader(unsigned char* out, const SailLayout& layout);
// One frame of `world` after `step` steps into `out` (sailFrameBytes long).
// Allocates nothing.
void formatSailFrame(unsigned char* out, const SailLayout& layout, int step, const ParticleSystem& world);

} // namespace flight
