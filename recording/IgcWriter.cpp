#include "recording/IgcWriter.h"

#include "scene/StartScene.h"
#include "terrain/MapProjection.h"
#include "recording/IgcCoordinates.h"

namespace flight {

std::string igcHeader(const CalendarDate& date) {
    // XXX is the manufacturer code the format sets aside for loggers without
    // an approved one; GLD is this logger's three-character id.
    char dated[32];
    std::snprintf(dated, sizeof dated, "HFDTE%02d%02d%02d\r\n", date.day, date.month, date.year % 100);
    return std::string("AXXXGLD\r\n") + dated +
           "HFPLTPILOTINCHARGE:Simulated pilot\r\n"
           "HFGTYGLIDERTYPE:Weight-shift hang glider (simulated)\r\n"
           "HFDTMGPSDATUM:WGS-1984\r\n"
           "HFFTYFRTYPE:glider-sim,glider-flight\r\n";
}

void writeIgcHeader(std::FILE* out, const CalendarDate& date) { std::fputs(igcHeader(date).c_str(), out); }

bool isIgcFixStep(int step) { return step % start::kStepsPerSecond == 0; }

namespace {

std::size_t formatFix(IgcFixText& line, const GeoPoint& point, double metresAboveSeaLevel, int step,
                      long long startSecondOfDay) {
    const long long second = startSecondOfDay + step / start::kStepsPerSecond;
    // Pressure and GNSS altitude alike: the simulation knows only one.
    const auto field = igcAltitudeField(igcAltitude(metresAboveSeaLevel));
    const int length = std::snprintf(line.data(), line.size(), "B%s%s%sA%s%s\r\n", igcClock(second).data(),
                                     igcLatitude(point.latitude).data(), igcLongitude(point.longitude).data(),
                                     field.data(), field.data());
    return static_cast<std::size_t>(length);
}

// By the map when it has the point, else (a diverged flight, off the map
// altogether) by the local approximation around the map's origin, as
// flights without a map are written.
GeoPoint pointOf(const MapProjection* projection, const GeoOrigin& origin, const FlightSample& sample) {
    GeoCoordinate where;
    if (projection != nullptr && projection->toGeographic(sample.position.x, sample.position.y, where)) {
        return GeoPoint{where.latitude, where.longitude};
    }
    return geoPointOf(origin, sample.position.x, sample.position.y);
}

void writeLine(std::FILE* out, const MapProjection* projection, const GeoOrigin& origin, const FlightSample& sample) {
    IgcFixText line;
    const std::size_t length = formatFix(line, pointOf(projection, origin, sample),
                                         origin.elevation + sample.position.z, sample.step, kIgcStartSecondOfDay);
    std::fwrite(line.data(), 1, length, out);
}

} // namespace

std::size_t formatIgcFix(IgcFixText& line, const EarthPlacement& placement, const FlightSample& sample,
                         long long startSecondOfDay) {
    const GeoPoint point = pointOf(placement.projection, placement.origin, sample);
    return formatFix(line, point, placement.origin.elevation + sample.position.z, sample.step, startSecondOfDay);
}

void writeIgcFix(std::FILE* out, const GeoOrigin& origin, const FlightSample& sample) {
    writeLine(out, nullptr, origin, sample);
}

void writeIgcFix(std::FILE* out, const MapProjection& projection, const GeoOrigin& origin,
                 const FlightSample& sample) {
    writeLine(out, &projection, origin, sample);
}

void writeIgcFix(std::FILE* out, const EarthPlacement& placement, const FlightSample& sample) {
    writeLine(out, placement.projection, placement.origin, sample);
}

} // namespace flight
