#include "scene/ModelTraits.h"

namespace start {

const ModelTraits& classicTraits() {
    static const ModelTraits traits = [] {
        ModelTraits t;
        t.shape = GliderShape(); // the classic build's own numbers
        return t;
    }();
    return traits;
}

const ModelTraits& realisticTraits() {
    static const ModelTraits traits = [] {
        ModelTraits t;
        GliderShape& s = t.shape;
        // A 14 m² sail of 10 m span: a nose angle of 120 degrees.
        s.span = 10.0;
        s.chord = 2.8867513459481287;
        s.subdivisions = 8;
        s.wingMass = 19.0; // sail, leading edges and cross bar
        s.edgeMassShare = 0.7; // the tubes, not the cloth
        s.frameMass = 2.0; // keel, king post and control frame, at the mast
        s.pilotMass = 80.0;
        s.wingDrop = 0.1;
        s.mastFraction = 0.15;
        // The pilot hangs well below the keel, a little ahead of the hub.
        s.pilotOffset = Vector3D(0.0, -0.12, -1.3);
        s.washout = 0.15;
        // A control frame's base bar: about 40 cm each way, across and fore and aft;
        // a press moves the weight as far as a pilot's small correction.
        t.steering.lateralStep = 0.04;
        t.steering.foreStep = 0.03;
        t.steering.lateralRange = 0.4;
        t.steering.foreRange = 0.45;
        t.launchSpeed = 9.9; // its hands-off trim, as measured
        return t;
    }();
    return traits;
}

} // namespace start
