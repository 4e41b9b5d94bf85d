#pragma once

// Turns what the pilot holds (arrow keys, a stick, the mouse) into the weight
// shift the glider is asked for, as fractions of the control range in
// [-1, 1]: +lateral towards the glider's right, +fore the pilot forward (bar
// pulled in, faster).
//
// Keys are held, not tapped: while an arrow is down the weight travels
// steadily towards that side; released, it drifts back to the centre as a
// relaxed pilot's would. A stick or the mouse sets the shift directly and
// takes over from the keys while it is away from its centre.
class WeightShiftInput {
public:
    struct Settings {
        double keyRate = 1.5;     // (unit: range fractions per second) while a key is held
        double returnRate = 1.0;  // (unit: range fractions per second) back to centre when released
        double deadZone = 0.15;   // stick deflection ignored around the centre, 0 to 0.9
        bool invertFore = false;  // stick pulled back = pilot forward, as some pilots prefer
    };

    enum Key { Left, Right, Forward, Back, KeyCount };

    void setSettings(const Settings& value);
    const Settings& settings() const { return config; }

    void setKey(Key key, bool down) { held[key] = down; }
    // Raw stick axes in [-1, 1], SDL's sense: +x right, +y down (pulled back).
    void setStick(double x, double y);
    // Mouse steering: offsets from where it was grabbed, in [-1, 1] each
    // (+x right, +y down); inactive when released.
    void setMouse(bool active, double x, double y);
    // Everything released and centred, as after a reset.
    void centre();

    // Advances the keys' travel by `seconds` of simulated time.
    void update(double seconds);

    double lateral() const;
    double fore() const;

private:
    static double shaped(double raw, double deadZone);

    Settings config;
    bool held[KeyCount] = {false, false, false, false};
    double keyLateral = 0.0;
    double keyFore = 0.0;
    double stickLateral = 0.0;
    double stickFore = 0.0;
    bool mouseActive = false;
    double mouseLateral = 0.0;
    double mouseFore = 0.0;
};
