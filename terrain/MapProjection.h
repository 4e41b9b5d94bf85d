#pragma once

#include <memory>
#include <string>

#include "terrain/GeoCoordinate.h"

// The terrain's horizontal frame on the Earth: local metres (x east, y north,
// from a chosen origin) through one projected coordinate system, to WGS-84
// latitude and longitude and back. Elevation data, the start position and
// the flight log all go through the same object, so a point read from the
// raster is written back to the log where it came from.
class MapProjection {
public:
    // `projectedWkt` is a projected coordinate system; its point
    // (originEasting, originNorthing), in its own linear units, becomes the
    // local origin. Returns null and sets `error` when the system is not
    // projected or cannot be converted to WGS-84.
    static std::unique_ptr<MapProjection> create(const std::string& projectedWkt, double originEasting,
                                                 double originNorthing, std::string& error);
    ~MapProjection();
    MapProjection(const MapProjection&) = delete;
    MapProjection& operator=(const MapProjection&) = delete;

    // False when the point cannot be converted (far outside the projection's
    // domain); the outputs are then unspecified.
    bool toGeographic(double x, double y, GeoCoordinate& point) const;
    bool toLocal(const GeoCoordinate& point, double& x, double& y) const;

    // Local metres to the projected system's own coordinates and back.
    double eastingOf(double x) const { return originEasting + x / metresPerUnit; }
    double northingOf(double y) const { return originNorthing + y / metresPerUnit; }

    const std::string& projectedWkt() const { return wkt; }

private:
    struct Transforms;
    MapProjection(std::string wkt, double originEasting, double originNorthing, double metresPerUnit,
                  std::unique_ptr<Transforms> transforms);

    std::string wkt;
    double originEasting;  // in the projected system's units
    double originNorthing; // in the projected system's units
    double metresPerUnit;  // (unit: metres) one projected unit
    std::unique_ptr<Transforms> transforms;
};
