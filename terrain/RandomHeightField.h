#pragma once

#include <memory>

#include "terrain/HeightField.h"
#include "terrain/TerrainNoise.h"

// Rolling terrain of two crossed sines plus fixed-seed noise, 5 m spacing,
// centred on the origin. Each call draws from a fresh generator, so every
// call gives the same terrain, however many worlds a process builds.
std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double amplitude);
// The same, drawing from `noise`, which it leaves where the terrain ended:
// a second terrain from the same generator continues the sequence.
std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double amplitude, TerrainNoise& noise);
