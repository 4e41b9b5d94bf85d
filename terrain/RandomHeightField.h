#pragma once

#include <memory>

#include "terrain/HeightField.h"

// Rolling terrain of two crossed sines plus fixed-seed noise, 5 m spacing,
// centred on the origin. The noise generator is process-wide and never
// reseeded: the first call of a process always gives the same terrain.
std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double amplitude);
