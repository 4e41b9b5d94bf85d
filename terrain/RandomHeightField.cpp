#include "terrain/RandomHeightField.h"

// Placeholder until the generator lands.
std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double) {
    auto field = std::make_unique<HeightField>(columns, rows, -2.5 * columns, -2.5 * rows, 5.0, 0.0);
    field->computeNormals();
    return field;
}
