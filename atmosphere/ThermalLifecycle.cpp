#include "atmosphere/ThermalLifecycle.h"

namespace lifecycle {

namespace {

// Zero slope at both ends, so the air never jerks as a thermal grows or fades.
double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

} // namespace

double strengthAt(double age, double life) {
    if (!(age > 0.0) || !(age < life)) {
        return 0.0;
    }
    const double rising = kRisingShare * life;
    const double decaying = kDecayingShare * life;
    if (age < rising) {
        return smooth(age / rising);
    }
    if (age > life - decaying) {
        return smooth((life - age) / decaying);
    }
    return 1.0;
}

} // namespace lifecycle
