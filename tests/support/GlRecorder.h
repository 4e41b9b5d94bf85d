#pragma once

#include <cstddef>
#include <vector>

// A recording stand-in for the few OpenGL and GLUT entry points the drawing
// code calls. Unit tests link it instead of libGL/libglut, draw, and compare
// the recorded call stream. Storage is reserved up front, so recording
// allocates nothing while a frame is drawn.
namespace glrec {

enum class Call {
    Begin,
    End,
    Normal3f,
    Normal3d,
    Color3f,
    Vertex3f,
    Vertex3d,
    PushMatrix,
    PopMatrix,
    Translated,
    SolidSphere,
    MatrixMode,
    LoadIdentity,
    Frustum,
    Viewport,
    Rotatef,
    Translatef,
    Clear,
    RasterPos3f,
    BitmapCharacter, // character code, then the font handle
    Enable,
    Disable,
    Flush,
    SwapBuffers,
    PostRedisplay,
    Lightfv, // light, parameter name, then four values
    ColorMaterial,
    LightModeli,
    ShadeModel,
};

struct Record {
    Call call;
    double a[6]; // arguments as given, widened to double (floats exactly)
};

// Forgets everything recorded so far; capacity stays.
void clear();
const std::vector<Record>& calls();
// Calls seen since clear(), including any beyond the stored capacity.
std::size_t total();
std::size_t count(Call call);

// What glutGetModifiers answers (GLUT_ACTIVE_SHIFT and friends); 0 at first.
void setModifiers(int modifiers);

} // namespace glrec
