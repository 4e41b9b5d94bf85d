#pragma once

// OpenGL 3.3 core entry points, as the system's GL library exports them.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
