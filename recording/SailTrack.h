#pragma once

#include <cstdint>
#include <string>

#include "physics/Vector3D.h"
#include "recording/SailRecord.h"

// A flight's sail record read back (see SailRecord.h), checked whole before
// anything is drawn from it: a file that is cut short, of another kind or
// version, or whose numbers make no sense is refused in one line naming it.
class SailTrack {
public:
    // Reads `path`. On failure returns one line naming the file and what is
    // wrong, and leaves the track as it was.
    std::string load(const std::string& path);
    // The same from bytes already in memory; `name` is used in messages.
    std::string parse(std::string bytes, const std::string& name);

    int particleCount() const { return layout.particles; }
    int frameCount() const { return frames; }

    // The sail after `step` steps, every particle in world coordinates,
    // linearly between the frames either side. False (nothing written) when
    // `step` lies outside the recorded frames. Allocates nothing.
    bool poseAt(std::int64_t step, Vector3D* positions) const;

private:
    std::int64_t stepOf(int frame) const;
    void decode(int frame, double weight, Vector3D* positions, bool add) const;

    flight::SailLayout layout;
    std::string data; // the whole file, header included
    int frames = 0;
};
