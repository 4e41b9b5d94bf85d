#pragma once

#include <cstddef>
#include <vector>

#include "physics/Vector3D.h"
#include "scene/Drawable.h"

// A regular grid of terrain heights over the x-y plane, square cells of
// `spacing` metres. Sample (i, j) stands at
// (originX + i * spacing, originY + j * spacing, heights[i + j * columns]).
class HeightField : public Drawable {
public:
    HeightField(int columns, int rows, double originX, double originY, double spacing,
                double initialHeight);
    ~HeightField() override;

    // Lit triangle strips coloured by height (drawing lives in its own file).
    void draw() override;

    // Per-sample unit normals and the height range, from the current heights.
    void computeNormals();
    // Bilinear height at a world position; positions off the grid take the
    // nearest border's height. Never reads outside the grid.
    double heightAt(double x, double y) const;

    std::size_t indexOf(int i, int j) const {
        return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * static_cast<std::size_t>(columns);
    }
    double sample(int i, int j) const { return heights[indexOf(i, j)]; }
    void setSample(int i, int j, double height) { heights[indexOf(i, j)] = height; }
    // Empty until the first computeNormals.
    const Vector3D& normalAt(int i, int j) const { return normals[indexOf(i, j)]; }
    bool hasNormals() const { return !normals.empty(); }

    int columnCount() const { return columns; }
    int rowCount() const { return rows; }
    double gridSpacing() const { return spacing; }
    double gridOriginX() const { return originX; }
    double gridOriginY() const { return originY; }
    double lowest() const { return minHeight; }
    double highest() const { return maxHeight; }

private:
    std::vector<double> heights;   // (unit: metres) world z of every sample
    std::vector<Vector3D> normals; // unit, upward
    int columns;                   // samples along x
    int rows;                      // samples along y
    double spacing;                // (unit: metres)
    double originX;                // (unit: metres) world x of column 0
    double originY;                // (unit: metres) world y of row 0
    double minHeight = 0.0;        // (unit: metres)
    double maxHeight = 0.0;        // (unit: metres)
};
