#pragma once

#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/CloudLayout.h"
#include "pilot/GlProgram.h"
#include "pilot/LitUniforms.h"
#include "pilot/SceneLight.h"

// The cumulus of CloudLayout, each puff a soft round sprite facing the eye,
// lit from the sun's side, its flat base shaded grey, veiled by haze with
// distance; drawn far to near over the opaque scene. Sized once.
class CloudRenderer {
public:
    CloudRenderer() = default;
    ~CloudRenderer();
    CloudRenderer(const CloudRenderer&) = delete;
    CloudRenderer& operator=(const CloudRenderer&) = delete;

    // `thermals` null or `shown` false: a blue day, nothing drawn.
    std::string build(const ThermalField* thermals, const HeightField& terrain, bool shown, const SceneLight& light);
    void draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double time, double farDistance);

    int puffsDrawn() const { return drawn; }

private:
    struct Vertex {
        float centre[3];
        float corner[2];
        float radius;
        float opacity;
    };
    struct Order {
        double distance = 0.0; // (unit: m)
        int puff = 0;
    };
    std::unique_ptr<CloudLayout> layout;
    SceneLight light;
    GlProgram program;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    std::vector<Vertex> vertices;
    std::vector<Order> order;
    GLint uViewProjection = -1;
    GLint uRight = -1;
    GLint uUp = -1;
    LitUniforms lit;
    int drawn = 0;
};
