#pragma once

class MapProjection;

namespace flight {

// Where the world origin lies on the Earth.
struct GeoOrigin {
    double latitude = 45.0;   // (unit: degrees north)
    double longitude = 6.0;   // (unit: degrees east)
    double elevation = 500.0; // (unit: metres above sea level)
};

// How world positions become places on the Earth: through the terrain's own
// map when it has one (kept alive by whoever owns the terrain), else through
// a local approximation around `origin`.
struct EarthPlacement {
    GeoOrigin origin;
    const MapProjection* projection = nullptr;
};

} // namespace flight
