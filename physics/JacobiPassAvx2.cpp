#if defined(__x86_64__)
#include "physics/JacobiPlainLoops.h"

// The pass for processors with AVX2 (256-bit vectors): one point is one
// vector.
namespace {

#define GLIDER_AVX2 __attribute__((target("avx2")))

GLIDER_AVX2 void relax(const JacobiPass& pass) { jacobi_plain::relax(pass); }

GLIDER_AVX2 void moveByMeans(const JacobiPass& pass) { jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass); }

GLIDER_AVX2 void relaxPasses(const JacobiPass& pass, int passes) {
    for (int i = 0; i < passes; ++i) {
        jacobi_plain::relax(pass);
        jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass);
    }
}

} // namespace

const JacobiKernels kJacobiAvx2{relax, moveByMeans, relaxPasses};

#endif
