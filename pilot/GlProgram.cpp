#include "pilot/GlProgram.h"

#include <vector>

namespace {

std::string compile(GLenum kind, const char* source, GLuint& shader) {
    shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) {
        return {};
    }
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    return std::string(kind == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") + log.data();
}

} // namespace

GlProgram::~GlProgram() {
    if (program != 0) {
        glDeleteProgram(program);
    }
}

std::string GlProgram::build(const char* vertexSource, const char* fragmentSource) {
    GLuint vertex = 0;
    GLuint fragment = 0;
    std::string reason = compile(GL_VERTEX_SHADER, vertexSource, vertex);
    if (reason.empty()) {
        reason = compile(GL_FRAGMENT_SHADER, fragmentSource, fragment);
    }
    if (reason.empty()) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            char log[1024] = {};
            glGetProgramInfoLog(program, sizeof log, nullptr, log);
            reason = std::string("link: ") + log;
        }
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return reason;
}
