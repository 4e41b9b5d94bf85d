#pragma once

#include <glm/glm.hpp>

#include "physics/Vector3D.h"

class HeightField;

// Where the eye is and what it looks at, for the four views a pilot can pick.
class CameraRig {
public:
    enum class Mode { Chase, PilotEye, Orbit, Ground, Count };

    // What the cameras follow.
    struct Subject {
        Vector3D pilot;         // (unit: m)
        double heading = 180.0; // (unit: degrees clockwise from +y)
        Vector3D launch;        // (unit: m) where the flight started
    };

    struct View {
        glm::dvec3 eye;
        glm::dvec3 target;
        glm::dvec3 up{0.0, 0.0, 1.0};
    };

    static constexpr double kChaseBack = 18.0;       // (unit: m) behind the pilot
    static constexpr double kChaseUp = 5.0;          // (unit: m) above the pilot
    static constexpr double kChaseAhead = 12.0;      // (unit: m) where the chase camera looks
    static constexpr double kGroundOffset = 40.0;    // (unit: m) observer beside the launch, to its east
    static constexpr double kEyeHeight = 1.7;        // (unit: m) observer's eye above the ground
    static constexpr double kMinClearance = 1.0;     // (unit: m) the eye never goes nearer the ground
    static constexpr double kMinOrbitDistance = 3.0; // (unit: m)
    static constexpr double kMaxOrbitDistance = 2000.0;

    void setMode(Mode value) { mode = value; }
    Mode currentMode() const { return mode; }
    void nextMode();
    static const char* nameOf(Mode mode);
    // Reads "chase", "pilot", "orbit", "ground"; false for anything else.
    static bool modeFromName(const char* name, Mode& mode);

    // Mouse drag in pixels (+x right, +y down): a quarter degree per pixel,
    // elevation kept within -10..89 degrees.
    void orbitDrag(double dx, double dy);
    // Wheel clicks, +1 nearer: each changes the distance by a tenth.
    void zoom(double clicks);
    double orbitAzimuth() const { return azimuth; }
    double orbitElevation() const { return elevation; }
    double orbitDistance() const { return distance; }

    // The view for the subject; with a terrain the eye stays above it.
    View viewOf(const Subject& subject, const HeightField* terrain) const;

    static glm::dmat4 viewMatrix(const View& view);
    // Vertical field of view 60 degrees, near 0.5 m, far `farDistance`.
    static glm::dmat4 projection(double aspect, double farDistance);

private:
    Mode mode = Mode::Chase;
    double azimuth = 200.0;   // (unit: degrees clockwise from +y) of the eye seen from the pilot
    double elevation = 15.0;  // (unit: degrees) above the horizon
    double distance = 25.0;   // (unit: m)
};
