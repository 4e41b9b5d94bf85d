#pragma once

// An object of the scene. `draw` renders it in world coordinates with the
// modelview matrix at identity, and leaves that matrix as it found it.
class Drawable {
public:
    virtual void draw() = 0;
    virtual ~Drawable() = default;

    Drawable() = default;
    Drawable(const Drawable&) = default;
    Drawable& operator=(const Drawable&) = default;
};
