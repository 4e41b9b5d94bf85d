#include "glider/Glider.h"

// Placeholder until the glider lands.
Glider::Glider(const Vector3D&, double, double, int subdivisions_, double, double)
    : subdivisions(subdivisions_), wingParticleCount(0) {}
Glider::~Glider() = default;
void Glider::registerWith(ParticleSystem& world_) { world = &world_; }
