#pragma once

// A point on the Earth as GPS receivers and flight logs give it: WGS-84
// latitude and longitude.
struct GeoCoordinate {
    double latitude = 0.0;  // (unit: degrees north)
    double longitude = 0.0; // (unit: degrees east)
};
