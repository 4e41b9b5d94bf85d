#include "glider/Glider.h"

// Placeholder until steering lands.
void Glider::steer(double, double) {}
void Glider::reset(const Vector3D&) {}
