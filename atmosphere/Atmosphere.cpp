#include "atmosphere/Atmosphere.h"

#include "terrain/HeightField.h"

Atmosphere::Atmosphere(const Vector3D& wind, const HeightField* terrain_) : windVelocity(wind), terrain(terrain_) {}

void Atmosphere::enableRidgeLift() {
    if (terrain != nullptr) {
        ridge = std::make_unique<RidgeLift>(*terrain, windVelocity);
    }
}

Vector3D Atmosphere::velocityAt(const Vector3D& position, double time) const {
    const double ground = terrain != nullptr ? terrain->heightAt(position.x, position.y) : 0.0;
    const double height = position.z - ground;
    double rising = 0.0;
    if (thermals) {
        rising += thermals->verticalVelocity(position.x, position.y, height, time);
    }
    if (ridge) {
        rising += ridge->verticalVelocity(position.x, position.y, height);
    }
    return Vector3D(windVelocity.x, windVelocity.y, windVelocity.z + rising);
}
