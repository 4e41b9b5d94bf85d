// The IGC log: world metres to fix fields, against closed forms on the
// sphere, and the layout of the records.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/FloatingPointTraps.h"
#include "physics/SharedConstants.h"
#include "recording/IgcCoordinates.h"
#include "recording/IgcWriter.h"

using namespace flight;

namespace {


template <std::size_t N>
std::string text(const std::array<char, N>& field) {
    return field.data();
}

} // namespace

TEST(IgcCoordinates, MetresNorthAreAnArcOfTheEarthsRadius) {
    FloatingPointTraps traps;
    const GeoOrigin origin{45.0, 6.0, 500.0};
    const GeoPoint point = geoPointOf(origin, 0.0, 1000.0);
    EXPECT_NEAR(point.latitude, 45.0 + 1000.0 / 6371000.0 * 180.0 / kPi, 1e-12);
    EXPECT_EQ(point.longitude, 6.0);
    EXPECT_EQ(geoPointOf(origin, 0.0, 0.0).latitude, 45.0);
}

TEST(IgcCoordinates, MetresEastSpanMoreLongitudeAwayFromTheEquator) {
    FloatingPointTraps traps;
    const double atEquator = geoPointOf(GeoOrigin{0.0, 0.0, 0.0}, 1000.0, 0.0).longitude;
    const double atSixty = geoPointOf(GeoOrigin{60.0, 0.0, 0.0}, 1000.0, 0.0).longitude;
    EXPECT_NEAR(atEquator, 1000.0 / 6371000.0 * 180.0 / kPi, 1e-12);
    EXPECT_NEAR(atSixty, 2.0 * atEquator, 1e-12);
    EXPECT_EQ(geoPointOf(GeoOrigin{60.0, 0.0, 0.0}, 1000.0, 0.0).latitude, 60.0);
}

TEST(IgcCoordinates, LongitudeWrapsAcrossTheDateLine) {
    const GeoPoint east = geoPointOf(GeoOrigin{0.0, 179.999, 0.0}, 1000.0, 0.0);
    const GeoPoint west = geoPointOf(GeoOrigin{0.0, -179.999, 0.0}, -1000.0, 0.0);
    EXPECT_NEAR(east.longitude, -179.999 + (1000.0 / 6371000.0 * 180.0 / kPi - 0.002), 1e-9);
    EXPECT_NEAR(west.longitude, -east.longitude, 1e-9);
}

TEST(IgcCoordinates, LongitudeWrapsHoweverManyTurnsItMakesNearAPole) {
    FloatingPointTraps traps;
    // At 89.99999° south a parallel is 7 m round: 30 m east is over four turns.
    const GeoOrigin origin{-89.99999, 10.0, 0.0};
    const double turn = 2.0 * kPi * kEarthRadius * std::cos(89.99999 * kPi / 180.0); // (unit: metres)
    for (const double east : {30.0, -30.0, 700.0}) {
        SCOPED_TRACE(east);
        const double longitude = geoPointOf(origin, east, 0.0).longitude;
        const double unwrapped = 10.0 + east / turn * 360.0;
        EXPECT_GE(longitude, -180.0);
        EXPECT_LE(longitude, 180.0);
        // So near a pole the parallel's length is known only to a few parts
        // in 10^9 (the cosine of an angle a rounding away from 90°), and the
        // error grows with the turns.
        EXPECT_NEAR(std::remainder(longitude - unwrapped, 360.0), 0.0, 1e-8 * std::fabs(unwrapped));
    }
}

TEST(IgcCoordinates, AnglesRoundToThousandthsOfAMinuteBeforeSplitting) {
    EXPECT_EQ(text(igcLatitude(45.0)), "4500000N");
    EXPECT_EQ(text(igcLatitude(-33.5)), "3330000S");
    EXPECT_EQ(text(igcLongitude(6.0)), "00600000E");
    EXPECT_EQ(text(igcLongitude(-70.123456)), "07007407W"); // 0.123456° = 7.40736'
    // Just below a whole degree: 59.99994' rounds up to the next degree,
    // never to 60.000 minutes.
    EXPECT_EQ(text(igcLatitude(45.999999)), "4600000N");
    EXPECT_EQ(text(igcLongitude(-7.999999)), "00800000W");
    // A value that rounds to zero carries no hemisphere of its own.
    EXPECT_EQ(text(igcLatitude(-0.0000001)), "0000000N");
    EXPECT_EQ(text(igcLongitude(180.0)), "18000000E");
}

TEST(IgcCoordinates, AltitudesStayWithinFiveCharactersAndNeverReadAsMissing) {
    EXPECT_EQ(igcAltitude(634.4), 634);
    EXPECT_EQ(igcAltitude(634.5), 635);
    EXPECT_EQ(igcAltitude(99999.4), 99999);
    EXPECT_EQ(igcAltitude(250000.0), 99999);
    // Below sea level the altitude keeps its sign, down to what four digits hold.
    EXPECT_EQ(igcAltitude(-12.3), -12);
    EXPECT_EQ(igcAltitude(-430.6), -431);
    EXPECT_EQ(igcAltitude(-25000.0), -9999);
    // 00000 reads as missing: next to sea level it is a metre on its own side.
    EXPECT_EQ(igcAltitude(0.2), 1);
    EXPECT_EQ(igcAltitude(0.0), 1);
    EXPECT_EQ(igcAltitude(-0.2), -1);

    EXPECT_EQ(text(igcAltitudeField(634)), "00634");
    EXPECT_EQ(text(igcAltitudeField(99999)), "99999");
    EXPECT_EQ(text(igcAltitudeField(-12)), "-0012");
    EXPECT_EQ(text(igcAltitudeField(-9999)), "-9999");
}

TEST(IgcCoordinates, TheClockReadsTheTimeOfDayAndWrapsAtMidnight) {
    EXPECT_EQ(text(igcClock(12 * 3600)), "120000");
    EXPECT_EQ(text(igcClock(12 * 3600 + 3 * 3600 + 25 * 60 + 7)), "152507");
    EXPECT_EQ(text(igcClock(24 * 3600 + 5)), "000005");
}

TEST(IgcLog, HeaderThenOneFixPerRecordWithCrLfLineEnds) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    writeIgcHeader(out, CalendarDate{2024, 2, 9});
    FlightSample sample;
    sample.step = 250; // 2.5 s in: the fix carries its whole second
    sample.position = Vector3D(0.0, 0.0, 134.6);
    writeIgcFix(out, GeoOrigin{45.0, 6.0, 500.0}, sample);
    std::fclose(out);
    const std::string log(buffer, size);
    std::free(buffer);

    EXPECT_EQ(log,
              "AXXXGLD\r\n"
              "HFDTE090224\r\n"
              "HFPLTPILOTINCHARGE:Simulated pilot\r\n"
              "HFGTYGLIDERTYPE:Weight-shift hang glider (simulated)\r\n"
              "HFDTMGPSDATUM:WGS-1984\r\n"
              "HFFTYFRTYPE:glider-sim,glider-flight\r\n"
              "B1200024500000N00600000EA0063500635\r\n");
}

TEST(IgcLog, AFixBelowSeaLevelCarriesTheSignInBothAltitudes) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    FlightSample sample;
    sample.position = Vector3D(0.0, 0.0, 2.4);
    writeIgcFix(out, GeoOrigin{31.5, 35.5, -430.0}, sample);
    std::fclose(out);
    const std::string fix(buffer, size);
    std::free(buffer);

    EXPECT_EQ(fix, "B1200003130000N03530000EA-0428-0428\r\n");
}
