#pragma once

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "pilot/FlightInstruments.h"
#include "terrain/HeightField.h"

// (unit: degrees clockwise from +y) where `nose` lies seen from `centre`,
// in the horizontal plane; 0 is north (+y), 90 east (+x).
double headingFrom(const Vector3D& centre, const Vector3D& nose);

// What the instruments sense of a flying glider after its last step.
FlightInstruments::Reading readFlight(const Glider& glider, const ParticleSystem& world, const HeightField& terrain);
