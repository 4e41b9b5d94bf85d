#include "recording/CsvWriter.h"

namespace flight {

void writeCsvHeader(std::FILE* out, bool air) {
    std::fputs(kCsvHeader, out);
    if (air) {
        std::fputs(kCsvAirColumns, out);
    }
    std::fputc('\n', out);
}

std::size_t formatCsvRow(CsvRowText& line, const FlightSample& sample, bool air) {
    int length = std::snprintf(line.data(), line.size(), "%d,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g",
                               sample.step, sample.time, sample.position.x, sample.position.y, sample.position.z,
                               sample.velocity.x, sample.velocity.y, sample.velocity.z, sample.speed,
                               sample.terrainHeight);
    if (air) {
        length += std::snprintf(line.data() + length, line.size() - static_cast<std::size_t>(length),
                                ",%.17g,%.17g,%.17g", sample.air.x, sample.air.y, sample.air.z);
    }
    line[static_cast<std::size_t>(length)] = '\n';
    return static_cast<std::size_t>(length) + 1;
}

void writeCsvRow(std::FILE* out, const FlightSample& sample, bool air) {
    CsvRowText line;
    std::fwrite(line.data(), 1, formatCsvRow(line, sample, air), out);
}

} // namespace flight
