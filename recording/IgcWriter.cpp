#include "recording/IgcWriter.h"

#include "scene/StartScene.h"
#include "terrain/MapProjection.h"
#include "recording/IgcCoordinates.h"

namespace flight {

void writeIgcHeader(std::FILE* out, const CalendarDate& date) {
    // XXX is the manufacturer code the format sets aside for loggers without
    // an approved one; GLD is this logger's three-character id.
    std::fputs("AXXXGLD\r\n", out);
    std::fprintf(out, "HFDTE%02d%02d%02d\r\n", date.day, date.month, date.year % 100);
    std::fputs("HFPLTPILOTINCHARGE:Simulated pilot\r\n", out);
    std::fputs("HFGTYGLIDERTYPE:Weight-shift hang glider (simulated)\r\n", out);
    std::fputs("HFDTMGPSDATUM:WGS-1984\r\n", out);
    std::fputs("HFFTYFRTYPE:glider-sim,glider-flight\r\n", out);
}

bool isIgcFixStep(int step) { return step % start::kStepsPerSecond == 0; }

namespace {

void writeFix(std::FILE* out, const GeoPoint& point, double metresAboveSeaLevel, int step) {
    const long long second = kIgcStartSecondOfDay + step / start::kStepsPerSecond;
    // Pressure and GNSS altitude alike: the simulation knows only one.
    const auto field = igcAltitudeField(igcAltitude(metresAboveSeaLevel));
    std::fprintf(out, "B%s%s%sA%s%s\r\n", igcClock(second).data(), igcLatitude(point.latitude).data(),
                 igcLongitude(point.longitude).data(), field.data(), field.data());
}

} // namespace

void writeIgcFix(std::FILE* out, const GeoOrigin& origin, const FlightSample& sample) {
    const GeoPoint point = geoPointOf(origin, sample.position.x, sample.position.y);
    writeFix(out, point, origin.elevation + sample.position.z, sample.step);
}

void writeIgcFix(std::FILE* out, const MapProjection& projection, const GeoOrigin& origin,
                 const FlightSample& sample) {
    GeoCoordinate where;
    if (!projection.toGeographic(sample.position.x, sample.position.y, where)) {
        // Off the map altogether (a diverged flight): the local approximation
        // around the map's origin, as flights without a map are written.
        writeIgcFix(out, origin, sample);
        return;
    }
    writeFix(out, GeoPoint{where.latitude, where.longitude}, origin.elevation + sample.position.z, sample.step);
}

void writeIgcFix(std::FILE* out, const EarthPlacement& placement, const FlightSample& sample) {
    if (placement.projection != nullptr) {
        writeIgcFix(out, *placement.projection, placement.origin, sample);
    } else {
        writeIgcFix(out, placement.origin, sample);
    }
}

} // namespace flight
