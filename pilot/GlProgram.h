#pragma once

#include <string>

#include "pilot/Gl.h"

// A linked vertex + fragment shader program.
class GlProgram {
public:
    GlProgram() = default;
    ~GlProgram();
    GlProgram(const GlProgram&) = delete;
    GlProgram& operator=(const GlProgram&) = delete;

    // Compiles and links; on failure returns the driver's log, else "".
    std::string build(const char* vertexSource, const char* fragmentSource);
    GLuint id() const { return program; }
    GLint uniform(const char* name) const { return glGetUniformLocation(program, name); }

private:
    GLuint program = 0;
};
