#include "terrain/RidgeHeightField.h"

#include <cmath>

namespace {

int samplesFor(double extent, double spacing) { return static_cast<int>(std::ceil(extent / spacing)) + 1; }

} // namespace

std::unique_ptr<HeightField> generateRidgeHeightField(const RidgeShape& shape) {
    const int columns = samplesFor(shape.length, shape.spacing);
    const int rows = samplesFor(shape.breadth, shape.spacing);
    const double originX = -0.5 * (columns - 1) * shape.spacing;
    const double originY = shape.crestY - 0.5 * (rows - 1) * shape.spacing;
    auto field = std::make_unique<HeightField>(columns, rows, originX, originY, shape.spacing, 0.0);
    for (int j = 0; j < rows; ++j) {
        const double across = (originY + j * shape.spacing - shape.crestY) / shape.width;
        const double height = shape.height * std::exp(-across * across);
        for (int i = 0; i < columns; ++i) {
            field->setSample(i, j, height);
        }
    }
    field->computeNormals();
    return field;
}

std::unique_ptr<HeightField> generateFlatHeightField(double size, double spacing) {
    const int samples = samplesFor(size, spacing);
    const double origin = -0.5 * (samples - 1) * spacing;
    auto field = std::make_unique<HeightField>(samples, samples, origin, origin, spacing, 0.0);
    field->computeNormals();
    return field;
}
