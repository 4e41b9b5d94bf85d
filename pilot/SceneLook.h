#pragma once

// What every drawing shares besides the light (SceneLight): the heights
// where the ground's cover changes.
namespace look {

constexpr double kTreeLine = 1900.0; // (unit: m) above it no forest, scree on the slopes
constexpr double kSnowLine = 2800.0; // (unit: m) above it snow lies where it is not too steep

} // namespace look
