#pragma once

#include <array>

#include <glm/glm.hpp>

#include "physics/Vector3D.h"

// The six planes of a view-projection matrix, for skipping what the camera
// cannot see before anything is sent to the GPU.
class ViewFrustum {
public:
    explicit ViewFrustum(const glm::dmat4& viewProjection);
    // False only when the box lies wholly outside one plane: boxes near a
    // corner may pass although unseen, never the other way round.
    bool mayContain(const Vector3D& lowest, const Vector3D& highest) const;

private:
    std::array<glm::dvec4, 6> planes; // inside where dot(plane, (p, 1)) >= 0
};
