#include <GL/gl.h>

#include "physics/FloatRounding.h"
#include "terrain/HeightField.h"

void HeightField::draw() {
    // A level terrain has no height range to spread over; it takes the
    // low-end colour instead of an infinite factor.
    const double range = maxHeight - minHeight;
    // The factor is held in single precision and used in double below.
    const float k = range > 0.0 ? roundedToFloat(0.7 / range) : 0.0f;

    auto emit = [&](int a, int b) {
        const Vector3D& n = normals[indexOf(a, b)];
        const double h = heights[indexOf(a, b)];
        glNormal3f(static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z));
        glColor3f(0.5f, static_cast<float>(k * (h - minHeight) + 0.3), 0.5f);
        glVertex3f(static_cast<float>(originX + a * spacing), static_cast<float>(originY + b * spacing),
                   static_cast<float>(h));
    };
    // One strip per column of cells, running along y.
    for (int i = 0; i + 1 < columns; ++i) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j < rows; ++j) {
            emit(i, j);
            emit(i + 1, j);
        }
        glEnd();
    }
}
