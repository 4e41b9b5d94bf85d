#pragma once

#include <cstddef>

#include "physics/Vector3D.h"

// What the status line reports about the flight.
struct StatusValues {
    double time;          // (unit: seconds) simulated, from the step count
    double terrainHeight; // (unit: metres) ground under the pilot
    Vector3D position;    // (unit: metres) the pilot's
    Vector3D velocity;    // (unit: m/s) the pilot's
    double speed;         // (unit: m/s) length of velocity
};

// The status line's buffer, formatted afresh on every frame.
constexpr std::size_t kStatusLineSize = 260;

// Fixed GL state (a light fixed in the world, colour material, two-sided
// lighting, depth test) and the first camera and drag values. Runs once,
// right after the window and its GL context exist.
void initRenderState();
// GLUT reshape: viewport and frustum for the new window size.
void reshape(int width, int height);
// GLUT display: the scene from the orbiting camera, then the status line.
void display();

// The status values from the world as it is now.
StatusValues gatherStatus();
// Writes the status line into `buffer`, cut to fit `size` bytes and always
// terminated, whatever the magnitudes. Returns the characters written.
std::size_t formatStatusLine(const StatusValues& status, char* buffer, std::size_t size);
