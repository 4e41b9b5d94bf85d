#include "terrain/HeightField.h"

#include <algorithm>

HeightField::HeightField(int columns_, int rows_, double originX_, double originY_,
                         double spacing_, double initialHeight)
    : heights(static_cast<std::size_t>(std::max(columns_, 0)) * static_cast<std::size_t>(std::max(rows_, 0)),
              initialHeight),
      columns(columns_),
      rows(rows_),
      spacing(spacing_),
      originX(originX_),
      originY(originY_) {}

HeightField::~HeightField() = default;

namespace {
// Clamps a grid coordinate into [0, last]. Written so that NaN lands on the
// low edge: a diverging simulation must not turn into an index off the grid.
double clampToGrid(double u, int last) {
    if (!(u >= 0.0)) {
        return 0.0;
    }
    const double high = static_cast<double>(last);
    return u > high ? high : u;
}
} // namespace

double HeightField::heightAt(double x, double y) const {
    if (heights.empty()) {
        return 0.0; // a grid without samples is flat ground at 0
    }
    const double r = 1.0 / spacing;
    const double u = clampToGrid((x - originX) * r, columns - 1);
    const double v = clampToGrid((y - originY) * r, rows - 1);
    const int ix = static_cast<int>(u);
    const int iy = static_cast<int>(v);
    const double fx = u - ix;
    const double fy = v - iy;

    // An exact zero fraction reads no neighbour: that keeps the far edges
    // from reading past the grid.
    auto alongRow = [&](int row) {
        if (fx == 0.0) {
            return sample(ix, row);
        }
        return (1.0 - fx) * sample(ix, row) + fx * sample(ix + 1, row);
    };
    const double low = alongRow(iy);
    if (fy == 0.0) {
        return low;
    }
    const double high = alongRow(iy + 1);
    return (1.0 - fy) * low + fy * high;
}

void HeightField::computeNormals() {
    if (normals.empty()) {
        normals.assign(heights.size(), Vector3D(0.0, 0.0, 0.0));
    } else {
        std::fill(normals.begin(), normals.end(), Vector3D(0.0, 0.0, 0.0));
    }

    auto point = [&](int i, int j) {
        return Vector3D(originX + i * spacing, originY + j * spacing, sample(i, j));
    };
    // Each cell is split along its (i, j)-(i+1, j+1) diagonal; a sample's
    // normal is the unweighted sum of the unit normals of the triangles at it.
    for (int i = 0; i + 1 < columns; ++i) {
        for (int j = 0; j + 1 < rows; ++j) {
            const Vector3D p00 = point(i, j);
            const Vector3D p01 = point(i, j + 1);
            const Vector3D p10 = point(i + 1, j);
            const Vector3D p11 = point(i + 1, j + 1);
            Vector3D nA = (p11 - p01).cross(p01 - p00);
            nA.normalize();
            Vector3D nB = (p00 - p10).cross(p10 - p11);
            nB.normalize();
            normals[indexOf(i, j)] += nA;
            normals[indexOf(i, j + 1)] += nA;
            normals[indexOf(i + 1, j + 1)] += nA;
            normals[indexOf(i, j)] += nB;
            normals[indexOf(i + 1, j)] += nB;
            normals[indexOf(i + 1, j + 1)] += nB;
        }
    }
    for (Vector3D& n : normals) {
        n.normalize();
        if (n.squaredLength() == 0.0) {
            n = Vector3D(0.0, 0.0, 1.0); // a grid without cells: treat it as level
        }
    }

    if (heights.empty()) {
        minHeight = 0.0;
        maxHeight = 0.0;
        return;
    }
    minHeight = heights[0];
    maxHeight = heights[0];
    for (double h : heights) {
        if (h < minHeight) {
            minHeight = h;
        } else if (h > maxHeight) {
            maxHeight = h;
        }
    }
}
