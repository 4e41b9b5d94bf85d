// Preloaded into glider-sim (LD_PRELOAD) to count, without changing the
// program, what a person sees as smoothness: frames shown (buffer swaps),
// redisplays requested (one per idle call that ran steps) and idle calls.
// At exit it prints one line on standard error:
//   frame-stats: seconds=S frames=F redisplays=R idle_calls=I
// where S runs from the first idle call to the exit.
#include <GL/freeglut.h>
#include <dlfcn.h>

#include <cstdio>
#include <ctime>

namespace {

long frames = 0;
long redisplays = 0;
long idleCalls = 0;
double firstIdle = -1.0;
void (*programIdle)() = nullptr;

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void countedIdle() {
    if (firstIdle < 0.0) {
        firstIdle = now();
    }
    ++idleCalls;
    programIdle();
}

struct Report {
    ~Report() {
        const double seconds = firstIdle < 0.0 ? 0.0 : now() - firstIdle;
        std::fprintf(stderr, "frame-stats: seconds=%.3f frames=%ld redisplays=%ld idle_calls=%ld\n", seconds,
                     frames, redisplays, idleCalls);
    }
} report;

} // namespace

extern "C" {

void glutSwapBuffers(void) {
    static auto real = next<void (*)()>("glutSwapBuffers");
    ++frames;
    real();
}

void glutPostRedisplay(void) {
    static auto real = next<void (*)()>("glutPostRedisplay");
    ++redisplays;
    real();
}

void glutIdleFunc(void (*callback)(void)) {
    static auto real = next<void (*)(void (*)())>("glutIdleFunc");
    programIdle = callback;
    real(callback != nullptr ? countedIdle : nullptr);
}
}
