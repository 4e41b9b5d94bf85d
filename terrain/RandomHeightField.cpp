#include "terrain/RandomHeightField.h"

#include <cmath>

#include "physics/FloatRounding.h"
#include "terrain/TerrainNoise.h"

namespace {

constexpr double kSpacing = 5.0;                  // (unit: metres)
constexpr double kRadiansPerSample = 0.25;        // (unit: radians) about 25 samples per wave
constexpr double kNoisePerStep = 3.0517578125e-6; // 0.1 / 32768: the noise stays below 0.1

} // namespace

std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double amplitude) {
    TerrainNoise noise;
    return generateRandomHeightField(columns, rows, amplitude, noise);
}

std::unique_ptr<HeightField> generateRandomHeightField(int columns, int rows, double amplitude, TerrainNoise& noise) {
    auto field = std::make_unique<HeightField>(columns, rows, -2.5 * columns, -2.5 * rows, kSpacing, 0.0);
    const int halfColumns = columns / 2;
    const int halfRows = rows / 2;
    // Column by column, so the noise is drawn down each column in turn.
    for (int i = 0; i < columns; ++i) {
        // Held in single precision: the terrain's exact heights depend on it.
        const float columnTerm = roundedToFloat(std::sin((i - halfColumns) * kRadiansPerSample));
        for (int j = 0; j < rows; ++j) {
            const int drawn = noise.next();
            const double rowTerm = std::sin((j - halfRows) * kRadiansPerSample);
            field->setSample(i, j, amplitude * ((rowTerm + columnTerm) + drawn * kNoisePerStep));
        }
    }
    field->computeNormals();
    return field;
}
