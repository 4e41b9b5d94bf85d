#include "tests/support/GlRecorder.h"

#include <GL/gl.h>
#include <GL/freeglut.h>

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

void record(Call call, double a0 = 0.0, double a1 = 0.0, double a2 = 0.0, double a3 = 0.0) {
    ++seen;
    std::vector<Record>& records = storage();
    if (records.size() < kCapacity) {
        records.push_back(Record{call, {a0, a1, a2, a3}});
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
}
