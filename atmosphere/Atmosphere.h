#pragma once

#include <memory>

#include "atmosphere/RidgeLift.h"
#include "atmosphere/ThermalField.h"
#include "physics/AirField.h"

class HeightField;

// The air of a flight: a uniform wind plus, where given, thermals and the
// lift of the wind over the terrain, the vertical parts added to the wind's.
// Every question costs one terrain height for the height above the ground,
// two more for ridge lift and a pass over the thermals; nothing is allocated.
class Atmosphere final : public AirField {
public:
    // `terrain` null: flat ground at height 0. The terrain must outlive the field.
    Atmosphere(const Vector3D& wind, const HeightField* terrain);

    void setThermals(std::unique_ptr<ThermalField> field) { thermals = std::move(field); }
    // Needs a terrain to read the slopes from; without one there is no ridge.
    void enableRidgeLift();

    Vector3D velocityAt(const Vector3D& position, double time) const override;

    const Vector3D& wind() const { return windVelocity; }
    const ThermalField* thermalField() const { return thermals.get(); }
    bool hasRidgeLift() const { return ridge != nullptr; }

private:
    Vector3D windVelocity; // (unit: m/s)
    const HeightField* terrain;
    std::unique_ptr<ThermalField> thermals;
    std::unique_ptr<RidgeLift> ridge;
};
