// Fuzz target for the sail record reader: reads the file named on the
// command line as --replay does. A refusal must be one line that names the
// file; a record it accepts must give every particle a finite place at every
// step its frames span, and none outside them. Anything else (a crash, a
// hang, a sanitizer report, a broken promise) is a finding. Run through
// scripts/fuzz.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recording/SailTrack.h"

namespace {

[[noreturn]] void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SAIL\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    SailTrack sail;
    const std::string reason = sail.load(path);
    if (!reason.empty()) {
        if (reason.rfind(path + ": ", 0) != 0 || reason.find('\n') != std::string::npos) {
            finding("not one line naming the file", reason);
        }
        if (sail.frameCount() != 0) {
            finding("frames kept from a refused record", reason);
        }
        return 0;
    }
    std::vector<Vector3D> pose(static_cast<std::size_t>(sail.particleCount()));
    if (sail.poseAt(-1, pose.data())) {
        finding("a pose before any frame", path);
    }
    // The first few hundred steps: the frames' span and what lies after it.
    for (int step = 0; step < 400; ++step) {
        if (!sail.poseAt(step, pose.data())) {
            continue;
        }
        for (const Vector3D& p : pose) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                finding("a place that is not finite", std::to_string(step));
            }
        }
    }
    return 0;
}
