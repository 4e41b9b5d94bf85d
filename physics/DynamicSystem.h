#pragma once

#include <vector>

#include "physics/AirField.h"
#include "physics/Anchor.h"
#include "physics/Particle.h"
#include "physics/Spring.h"
#include "physics/Vector3D.h"
#include "physics/WingTriangle.h"

class HeightField;

// The world's parameters, its registered particles and one per-particle
// accumulator array, plus gravity. The concrete stepping lives in
// ParticleSystem.
class DynamicSystem {
public:
    DynamicSystem(double gravity, int stepsPerSecond);
    virtual ~DynamicSystem();

    // Fills the accumulators with this step's forces: gravity here.
    virtual void computeForces();
    // Numbers the particles and sizes the per-particle arrays, once.
    virtual void prepare();
    virtual void step() = 0;
    virtual Vector3D velocityOf(const Particle& particle) const = 0;

    DynamicSystem(const DynamicSystem&) = delete;
    DynamicSystem& operator=(const DynamicSystem&) = delete;

    // The uniform wind; it is the air the world flies in unless a field is set.
    void setWind(const Vector3D& velocity) {
        wind = velocity;
        uniformWind.velocity = velocity;
    }
    // A field the world reads the air from instead of the uniform wind; null
    // goes back to the wind. The field must outlive the world's use of it.
    void setAirField(const AirField* field) { air = field != nullptr ? field : &uniformWind; }
    const AirField& airField() const { return *air; }
    // (unit: m/s) the velocity every particle has when prepare starts the
    // world; zero (at rest) unless set.
    void setStartVelocity(const Vector3D& velocity) { startVelocity = velocity; }
    const Vector3D& startVelocityOf() const { return startVelocity; }
    // Null means flat ground at height 0.
    void setTerrain(const HeightField* field) { terrain = field; }
    void addParticle(Particle* particle) { particles.push_back(particle); }
    void addTriangle(const WingTriangle& triangle) { triangles.push_back(triangle); }
    void addSpring(const Spring& spring) { springs.push_back(spring); }
    void addAnchor(const Anchor& anchor) { anchors.push_back(anchor); }

    double timeStepSeconds() const { return timeStep; }
    // (unit: seconds) simulated time: steps taken since prepare, times the step.
    double simulatedTime() const { return static_cast<double>(stepsTaken) * timeStep; }
    double gravityAcceleration() const { return gravity; }
    double density() const { return airDensity; }
    const Vector3D& windVelocity() const { return wind; }
    const HeightField* terrainField() const { return terrain; }
    int particleCount() const { return static_cast<int>(particles.size()); }
    int triangleCount() const { return static_cast<int>(triangles.size()); }
    const WingTriangle& triangleAt(int i) const { return triangles[static_cast<std::size_t>(i)]; }
    const Particle& particleAt(int i) const { return *particles[static_cast<std::size_t>(i)]; }
    // Between phases every entry is zero; tests read it to check that.
    const Vector3D& accumulatorOf(int i) const { return accumulators[static_cast<std::size_t>(i)]; }

protected:
    double timeStep;       // (unit: seconds)
    double gravity;        // (unit: m/s²) acting along -z
    Vector3D wind;         // (unit: m/s) the uniform wind
    UniformAirField uniformWind;
    const AirField* air = &uniformWind; // never null
    long long stepsTaken = 0;
    Vector3D startVelocity;    // (unit: m/s)
    double airDensity;     // (unit: kg/m³)
    const HeightField* terrain = nullptr;
    std::vector<Particle*> particles;
    std::vector<Anchor> anchors;
    std::vector<Spring> springs;
    std::vector<WingTriangle> triangles;
    std::vector<Vector3D> accumulators; // forces (N) during the force phase
};
