#include "pilot/FlightReading.h"

#include <cmath>

#include "glider/GliderAttitude.h"
#include "physics/SharedConstants.h"

double headingFrom(const Vector3D& centre, const Vector3D& nose) {
    const double east = nose.x - centre.x;
    const double north = nose.y - centre.y;
    if (east == 0.0 && north == 0.0) {
        return 0.0;
    }
    double degrees = std::atan2(east, north) * (180.0 / kPi);
    if (degrees < 0.0) {
        degrees += 360.0;
    }
    return degrees >= 360.0 ? 0.0 : degrees;
}

FlightInstruments::Reading readFlight(const Glider& glider, const ParticleSystem& world, const HeightField& terrain) {
    const Particle& pilot = glider.pilotParticle();
    FlightInstruments::Reading reading;
    reading.time = world.simulatedTime();
    reading.position = pilot.position;
    reading.velocity = world.velocityOf(pilot);
    reading.air = world.airField().velocityAt(pilot.position, reading.time);
    reading.terrainHeight = terrain.heightAt(pilot.position.x, pilot.position.y);
    reading.heading = attitudeOf(glider).heading;
    return reading;
}
