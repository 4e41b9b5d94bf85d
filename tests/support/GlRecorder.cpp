#include "tests/support/GlRecorder.h"

#include <GL/gl.h>
#include <GL/freeglut.h>

#include <cstdint>

namespace glrec {
namespace {

constexpr std::size_t kCapacity = std::size_t(1) << 21;

std::vector<Record>& storage() {
    static std::vector<Record> records = [] {
        std::vector<Record> r;
        r.reserve(kCapacity);
        return r;
    }();
    return records;
}
std::size_t seen = 0;

int modifiers = 0;

void record(Call call, double a0 = 0.0, double a1 = 0.0, double a2 = 0.0, double a3 = 0.0, double a4 = 0.0,
            double a5 = 0.0) {
    ++seen;
    std::vector<Record>& records = storage();
    if (records.size() < kCapacity) {
        records.push_back(Record{call, {a0, a1, a2, a3, a4, a5}});
    }
}

} // namespace

void clear() {
    storage().clear();
    seen = 0;
}
const std::vector<Record>& calls() { return storage(); }
std::size_t total() { return seen; }
std::size_t count(Call call) {
    std::size_t n = 0;
    for (const Record& r : storage()) {
        n += r.call == call ? 1 : 0;
    }
    return n;
}
void setModifiers(int value) { modifiers = value; }

} // namespace glrec

using glrec::Call;

extern "C" {
void glBegin(GLenum mode) { glrec::record(Call::Begin, mode); }
void glEnd(void) { glrec::record(Call::End); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { glrec::record(Call::Normal3f, x, y, z); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { glrec::record(Call::Normal3d, x, y, z); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { glrec::record(Call::Color3f, r, g, b); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { glrec::record(Call::Vertex3f, x, y, z); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { glrec::record(Call::Vertex3d, x, y, z); }
void glPushMatrix(void) { glrec::record(Call::PushMatrix); }
void glPopMatrix(void) { glrec::record(Call::PopMatrix); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { glrec::record(Call::Translated, x, y, z); }
void glutSolidSphere(double radius, GLint slices, GLint stacks) {
    glrec::record(Call::SolidSphere, radius, slices, stacks);
}
void glMatrixMode(GLenum mode) { glrec::record(Call::MatrixMode, mode); }
void glLoadIdentity(void) { glrec::record(Call::LoadIdentity); }
void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    glrec::record(Call::Frustum, left, right, bottom, top, zNear, zFar);
}
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    glrec::record(Call::Viewport, x, y, width, height);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { glrec::record(Call::Rotatef, angle, x, y, z); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { glrec::record(Call::Translatef, x, y, z); }
void glClear(GLbitfield mask) { glrec::record(Call::Clear, mask); }
void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z) { glrec::record(Call::RasterPos3f, x, y, z); }
// The font handle GLUT_BITMAP_HELVETICA_18 stands for: its address.
void* glutBitmapHelvetica18 = nullptr;
void glutBitmapCharacter(void* font, int character) {
    glrec::record(Call::BitmapCharacter, character, static_cast<double>(reinterpret_cast<std::uintptr_t>(font)));
}
void glEnable(GLenum cap) { glrec::record(Call::Enable, cap); }
void glDisable(GLenum cap) { glrec::record(Call::Disable, cap); }
void glFlush(void) { glrec::record(Call::Flush); }
void glutSwapBuffers(void) { glrec::record(Call::SwapBuffers); }
void glutPostRedisplay(void) { glrec::record(Call::PostRedisplay); }
int glutGetModifiers(void) { return glrec::modifiers; }
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    glrec::record(Call::Lightfv, light, pname, params[0], params[1], params[2], params[3]);
}
void glColorMaterial(GLenum face, GLenum mode) { glrec::record(Call::ColorMaterial, face, mode); }
void glLightModeli(GLenum pname, GLint param) { glrec::record(Call::LightModeli, pname, param); }
void glShadeModel(GLenum mode) { glrec::record(Call::ShadeModel, mode); }
}
