#include "scene/DemStart.h"

#include <cstdio>

namespace start {

namespace {

std::string coordinates(const GeoCoordinate& point) {
    char text[64];
    std::snprintf(text, sizeof text, "%.7g,%.7g", point.latitude, point.longitude);
    return text;
}

} // namespace

std::string demStartPosition(const HeightField& terrain, const MapProjection& projection,
                             const GeoCoordinate& point, double height, Vector3D& position) {
    double x = 0.0;
    double y = 0.0;
    if (!projection.toLocal(point, x, y)) {
        return coordinates(point) + " cannot be placed on the terrain's map";
    }
    // The whole glider must start over the grid, not over its clamped border.
    const double margin = 10.0; // (unit: metres) more than the wing's half span and chord
    const double west = terrain.gridOriginX() + margin;
    const double south = terrain.gridOriginY() + margin;
    const double east = terrain.gridOriginX() + (terrain.columnCount() - 1) * terrain.gridSpacing() - margin;
    const double north = terrain.gridOriginY() + (terrain.rowCount() - 1) * terrain.gridSpacing() - margin;
    if (!(x >= west && x <= east && y >= south && y <= north)) {
        char where[96];
        std::snprintf(where, sizeof where, " (%.0f m east, %.0f m north of its centre)", x, y);
        return coordinates(point) + " lies outside the terrain's window" + where;
    }
    position = Vector3D(x, y, terrain.heightAt(x, y) + height);
    return "";
}

Vector3D demStartAboveCentre(const HeightField& terrain, double height) {
    return Vector3D(0.0, 0.0, terrain.heightAt(0.0, 0.0) + height);
}

} // namespace start
