#pragma once

#include <memory>

#include "glider/GliderShape.h"
#include "physics/Particle.h"
#include "physics/ParticleSystem.h"
#include "physics/Vector3D.h"
#include "scene/Drawable.h"

// The hang glider: a triangular wing mesh of particles, three frame particles
// on a mast through the wing's centre and a heavy pilot, held by distance
// constraints and flown by weight shift. Built in world axes: x across the
// span, y along the chord (apex towards -y), z up.
//
// Once registered, the world points into this object's particle storage, so a
// Glider never moves: it is neither copyable nor movable.
class Glider : public Drawable {
public:
    Glider(const Vector3D& position, double span, double chord, int subdivisions, double wingMass,
           double pilotMass);
    // A glider of any proportions, its hub at `position`.
    Glider(const Vector3D& position, const GliderShape& shape);
    // The wing as a smooth lit surface, the hub-pilot line and the pilot.
    void draw() override;
    ~Glider() override;

    Glider(const Glider&) = delete;
    Glider& operator=(const Glider&) = delete;
    Glider(Glider&&) = delete;
    Glider& operator=(Glider&&) = delete;

    // Adds particles, constraints and triangles to `world`, in a fixed order
    // that sets particle indices, relaxation order and suspension indices.
    void registerWith(ParticleSystem& world);
    const Particle& pilotParticle() const { return pilot; }

    // Moves the pilot's reference by (dx, dy) in the glider's construction
    // frame and re-derives the suspension rest lengths from it.
    void steer(double dx, double dy);
    // Moves the glider rigidly so that the hub is at `position`, at rest.
    void reset(const Vector3D& position);
    // Puts every particle back in its built shape around the hub at
    // `position`, turned about the vertical by `yaw` (unit: radians,
    // counter-clockwise seen from above). Before registration it sets the
    // start pose; afterwards the caller gives the world the new velocities.
    void place(const Vector3D& position, double yaw);
    // Sets the pilot's reference to its built place plus (dx, dy) in the
    // glider's frame (unit: metres) and re-derives the suspension lengths.
    void shiftPilotTo(double dx, double dy);
    // Sets the hub-pilot line to the pilot reference's distance from the
    // hub as built, so that it agrees with the suspension lines instead of
    // fighting them when the weight is shifted.
    void fitHubLineToPilot();
    // (unit: metres) the pilot's reference, less its built place.
    Vector3D pilotShift() const { return pilotRestPosition - pilotBuiltPosition; }

    // Rewrites the drawing's vertex normals from the current positions.
    void computeNormals();

    // First wing index of row i: rows hold 1, 2, 3, ... particles from the apex.
    static int rowStart(int i) { return i * (i + 1) / 2; }

    int subdivisionCount() const { return subdivisions; }
    int wingSize() const { return wingParticleCount; }
    const Particle& wingParticle(int i) const { return wing[static_cast<std::size_t>(i)]; }
    const Particle& mastTopParticle() const { return mastTop; }
    const Particle& hubParticle() const { return hub; }
    const Particle& mastBottomParticle() const { return mastBottom; }
    // 2n+1 entries: apex, then the first and last particle of rows 1..n.
    int suspensionCount() const { return 2 * subdivisions + 1; }
    int suspensionConstraint(int k) const { return suspensionConstraints[static_cast<std::size_t>(k)]; }
    const Vector3D& edgeRestPosition(int k) const { return edgeRestPositions[static_cast<std::size_t>(k)]; }
    const Vector3D& pilotReference() const { return pilotRestPosition; }
    const Vector3D& vertexNormal(int i) const { return vertexNormals[static_cast<std::size_t>(i)]; }

private:
    // The particles in registration order: the wing, then mast top, hub,
    // mast bottom and pilot.
    Particle& particleInOrder(int k);

    int subdivisions;                              // n: wing rows 0..n
    std::unique_ptr<Particle[]> wing;              // row by row from the apex
    int wingParticleCount;                         // (n+1)(n+2)/2
    Particle mastTop;                              // above the centre, ignores terrain
    Particle hub;                                  // the centre
    Particle mastBottom;                           // below the centre, ignores terrain
    std::unique_ptr<int[]> suspensionConstraints;  // null until registerWith
    std::unique_ptr<Vector3D[]> edgeRestPositions; // construction positions, never change
    Particle pilot;
    Vector3D pilotRestPosition; // (unit: metres) construction coordinates; steering moves it
    Vector3D pilotBuiltPosition; // (unit: metres) construction coordinates, never changes
    Vector3D builtHub;           // (unit: metres) the hub where it was built
    std::unique_ptr<Vector3D[]> builtPositions; // every particle as built, registration order
    ParticleSystem* world = nullptr;
    int hubLine = -1; // the hub-pilot constraint's index, once registered
    std::unique_ptr<Vector3D[]> vertexNormals; // unit, for drawing
};
