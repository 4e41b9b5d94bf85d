#include "terrain/MapProjection.h"

#include <cmath>

#include <ogr_spatialref.h>

struct MapProjection::Transforms {
    std::unique_ptr<OGRCoordinateTransformation> toWgs84;
    std::unique_ptr<OGRCoordinateTransformation> fromWgs84;
};

namespace {

// Longitude first, latitude second, whatever the authority's axis order: the
// code never has to ask which order a system uses.
OGRSpatialReference wgs84() {
    OGRSpatialReference system;
    system.SetWellKnownGeogCS("WGS84");
    system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return system;
}

} // namespace

MapProjection::MapProjection(std::string wkt_, double originEasting_, double originNorthing_,
                             double metresPerUnit_, std::unique_ptr<Transforms> transforms_)
    : wkt(std::move(wkt_)),
      originEasting(originEasting_),
      originNorthing(originNorthing_),
      metresPerUnit(metresPerUnit_),
      transforms(std::move(transforms_)) {}

MapProjection::~MapProjection() = default;

std::unique_ptr<MapProjection> MapProjection::create(const std::string& projectedWkt, double originEasting,
                                                     double originNorthing, std::string& error) {
    OGRSpatialReference projected;
    projected.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (projected.importFromWkt(projectedWkt.c_str()) != OGRERR_NONE || !projected.IsProjected()) {
        error = "not a projected coordinate system";
        return nullptr;
    }
    const double metresPerUnit = projected.GetLinearUnits();
    if (!(metresPerUnit > 0.0) || !std::isfinite(metresPerUnit)) {
        error = "the coordinate system has no usable linear unit";
        return nullptr;
    }
    const OGRSpatialReference geographic = wgs84();
    auto transforms = std::make_unique<Transforms>();
    transforms->toWgs84.reset(OGRCreateCoordinateTransformation(&projected, &geographic));
    transforms->fromWgs84.reset(OGRCreateCoordinateTransformation(&geographic, &projected));
    if (!transforms->toWgs84 || !transforms->fromWgs84) {
        error = "the coordinate system cannot be converted to WGS-84 latitude and longitude";
        return nullptr;
    }
    return std::unique_ptr<MapProjection>(
        new MapProjection(projectedWkt, originEasting, originNorthing, metresPerUnit, std::move(transforms)));
}

bool MapProjection::toGeographic(double x, double y, GeoCoordinate& point) const {
    double east = eastingOf(x);
    double north = northingOf(y);
    if (!transforms->toWgs84->Transform(1, &east, &north) || !std::isfinite(east) || !std::isfinite(north)) {
        return false;
    }
    point.longitude = east;
    point.latitude = north;
    return true;
}

bool MapProjection::toLocal(const GeoCoordinate& point, double& x, double& y) const {
    double east = point.longitude;
    double north = point.latitude;
    if (!transforms->fromWgs84->Transform(1, &east, &north) || !std::isfinite(east) || !std::isfinite(north)) {
        return false;
    }
    x = (east - originEasting) * metresPerUnit;
    y = (north - originNorthing) * metresPerUnit;
    return true;
}
