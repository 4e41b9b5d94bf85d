#include "pilot/GroundCover.h"

#include <algorithm>
#include <cmath>

#include "terrain/AerialImagery.h"
#include "terrain/HeightField.h"

namespace ground {

namespace {

double smoothstep(double low, double high, double x) {
    const double t = std::clamp((x - low) / (high - low), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// A lattice value in [0, 1) from integer coordinates: the same on every machine.
double lattice(long long i, long long j) {
    std::uint64_t h = static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(j) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// Smooth value noise with features `cell` metres across.
double noise(double x, double y, double cell) {
    const double fx = x / cell;
    const double fy = y / cell;
    const double ix = std::floor(fx);
    const double iy = std::floor(fy);
    const double u = smoothstep(0.0, 1.0, fx - ix);
    const double v = smoothstep(0.0, 1.0, fy - iy);
    const auto i = static_cast<long long>(ix);
    const auto j = static_cast<long long>(iy);
    const double bottom = lattice(i, j) * (1.0 - u) + lattice(i + 1, j) * u;
    const double top = lattice(i, j + 1) * (1.0 - u) + lattice(i + 1, j + 1) * u;
    return bottom * (1.0 - v) + top * v;
}

glm::dvec3 mix(const glm::dvec3& a, const glm::dvec3& b, double t) { return a + (b - a) * t; }

} // namespace

glm::vec3 materialAt(double x, double y, double height, const Vector3D& normal) {
    const double steep = 1.0 - normal.z; // 0 flat, 0.13 at 30 degrees, 0.36 at 50
    const double patches = noise(x, y, 180.0) * 0.7 + noise(x, y, 45.0) * 0.3;
    const glm::dvec3 grass = mix({0.30, 0.50, 0.18}, {0.50, 0.55, 0.28}, noise(x, y, 70.0));
    const glm::dvec3 alpine(0.48, 0.47, 0.30);
    const glm::dvec3 forest(0.10, 0.24, 0.09);
    const glm::dvec3 scree(0.60, 0.58, 0.54);
    const glm::dvec3 rock(0.42, 0.40, 0.38);
    const glm::dvec3 snow(0.95, 0.96, 0.98);
    const double above = smoothstep(kTreeLine - 80.0, kTreeLine + 80.0, height);
    glm::dvec3 base = mix(grass, alpine, above);
    const double trees = smoothstep(0.50, 0.62, patches) * (1.0 - above) * (1.0 - smoothstep(0.22, 0.32, steep));
    base = mix(base, forest, trees);
    base = mix(base, scree, smoothstep(0.06, 0.14, steep) * above);
    base = mix(base, rock, smoothstep(0.20, 0.32, steep));
    base = mix(base, snow,
               smoothstep(kSnowLine - 120.0, kSnowLine + 120.0, height + 150.0 * patches) *
                   (1.0 - smoothstep(0.30, 0.45, steep)));
    return glm::vec3(base);
}

glm::vec3 lightAt(const Vector3D& normal, const SceneLight& light) {
    const glm::vec3 n(static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z));
    const float facing = std::max(glm::dot(n, light.sun), 0.0f);
    return light.sunColour * facing + light.ambient * (0.6f + 0.4f * n.z);
}

glm::vec3 litAt(double x, double y, double height, const Vector3D& normal, const SceneLight& light) {
    return materialAt(x, y, height, normal) * lightAt(normal, light);
}

void underlayCovers(AerialImagery& imagery, const HeightField& field) {
    const double texelX = (imagery.east - imagery.west) / imagery.columns;
    const double texelY = (imagery.north - imagery.south) / imagery.rows;
    const bool normals = field.hasNormals();
    for (int j = 0; j < imagery.rows; ++j) {
        const double y = imagery.south + (j + 0.5) * texelY;
        const int row = std::clamp(static_cast<int>(std::lround((y - field.gridOriginY()) / field.gridSpacing())), 0,
                                   field.rowCount() - 1);
        for (int i = 0; i < imagery.columns; ++i) {
            std::uint8_t* texel = imagery.rgba.data() + (static_cast<std::size_t>(j) * imagery.columns + i) * 4;
            const int cover = texel[3];
            if (cover == 255) {
                continue;
            }
            const double x = imagery.west + (i + 0.5) * texelX;
            const int column = std::clamp(
                static_cast<int>(std::lround((x - field.gridOriginX()) / field.gridSpacing())), 0, field.columnCount() - 1);
            const glm::vec3 bare = materialAt(x, y, field.sample(column, row),
                                              normals ? field.normalAt(column, row) : Vector3D(0.0, 0.0, 1.0));
            for (int k = 0; k < 3; ++k) {
                const float blend = (texel[k] * cover + 255.0f * bare[k] * (255 - cover)) / 255.0f;
                texel[k] = static_cast<std::uint8_t>(std::lround(std::clamp(blend, 0.0f, 255.0f)));
            }
            texel[3] = 255;
        }
    }
}

std::uint32_t pack(const glm::vec3& colour) {
    const auto part = [](float v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v * 0.5f, 0.0f, 1.0f) * 255.0f));
    };
    return part(colour.r) | (part(colour.g) << 8) | (part(colour.b) << 16) | (255u << 24);
}

} // namespace ground
