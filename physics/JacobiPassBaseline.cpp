#include "physics/JacobiPlainLoops.h"

// The pass on any x86-64 processor (and any other): the plain loops in the
// baseline's 128-bit vectors.
namespace {

void relax(const JacobiPass& pass) { jacobi_plain::relax(pass); }

void moveByMeans(const JacobiPass& pass) { jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass); }

void relaxPasses(const JacobiPass& pass, int passes) {
    for (int i = 0; i < passes; ++i) {
        jacobi_plain::relax(pass);
        jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass);
    }
}

} // namespace

const JacobiKernels kJacobiBaseline{relax, moveByMeans, relaxPasses};
