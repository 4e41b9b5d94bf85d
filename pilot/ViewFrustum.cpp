#include "pilot/ViewFrustum.h"

ViewFrustum::ViewFrustum(const glm::dmat4& m) {
    // Rows of the matrix (glm stores columns): clip = M·p, and a point is
    // inside when -w <= x, y, z <= w.
    const auto row = [&m](int r) { return glm::dvec4(m[0][r], m[1][r], m[2][r], m[3][r]); };
    const glm::dvec4 w = row(3);
    planes = {w + row(0), w - row(0), w + row(1), w - row(1), w + row(2), w - row(2)};
}

bool ViewFrustum::mayContain(const Vector3D& lowest, const Vector3D& highest) const {
    for (const glm::dvec4& p : planes) {
        // The box corner furthest along the plane's normal.
        const double x = p.x >= 0.0 ? highest.x : lowest.x;
        const double y = p.y >= 0.0 ? highest.y : lowest.y;
        const double z = p.z >= 0.0 ? highest.z : lowest.z;
        if (p.x * x + p.y * y + p.z * z + p.w < 0.0) {
            return false;
        }
    }
    return true;
}
