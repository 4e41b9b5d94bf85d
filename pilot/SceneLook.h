#pragma once

// The light and air every drawing shares, so the terrain fades into the sky
// and the sail is lit by the same sun.
namespace look {

constexpr float kSky[3] = {0.60f, 0.74f, 0.92f};
constexpr float kSun[3] = {0.42f, 0.30f, 0.86f}; // towards the sun, roughly unit
constexpr float kAmbient = 0.38f;

} // namespace look
