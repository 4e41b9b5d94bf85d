#include "recording/CsvWriter.h"

namespace flight {

void writeCsvHeader(std::FILE* out, bool air) {
    std::fputs(kCsvHeader, out);
    if (air) {
        std::fputs(kCsvAirColumns, out);
    }
    std::fputc('\n', out);
}

void writeCsvRow(std::FILE* out, const FlightSample& sample, bool air) {
    std::fprintf(out, "%d,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g", sample.step, sample.time,
                 sample.position.x, sample.position.y, sample.position.z, sample.velocity.x, sample.velocity.y,
                 sample.velocity.z, sample.speed, sample.terrainHeight);
    if (air) {
        std::fprintf(out, ",%.17g,%.17g,%.17g", sample.air.x, sample.air.y, sample.air.z);
    }
    std::fputc('\n', out);
}

} // namespace flight
