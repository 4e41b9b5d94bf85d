#include "tools/flight/CsvWriter.h"

namespace flight {

void writeCsvHeader(std::FILE* out) {
    std::fputs(kCsvHeader, out);
    std::fputc('\n', out);
}

void writeCsvRow(std::FILE* out, const FlightSample& sample) {
    std::fprintf(out, "%d,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", sample.step, sample.time,
                 sample.position.x, sample.position.y, sample.position.z, sample.velocity.x, sample.velocity.y,
                 sample.velocity.z, sample.speed, sample.terrainHeight);
}

} // namespace flight
