#include <GL/gl.h>
#include <GL/glut.h>

#include <initializer_list>

#include "glider/Glider.h"

namespace {

// One drawn triangle's face normal, unit length. A triangle collapsed to a
// line or a point has none and yields the zero vector, which then adds
// nothing to its vertices' normals.
Vector3D faceNormal(const Particle& p0, const Particle& p1, const Particle& p2) {
    Vector3D f = (p1.position - p0.position).cross(p2.position - p1.position);
    f.normalize();
    return f;
}

// The drawn tessellation cuts each quadrilateral of the wing along the
// diagonal from a particle to the one two rows on at the same x, not along
// the diagonal the physics triangles use: (T, L, X) and (T, X, R), and on
// the last row the single (T, L, R). `visit` gets the wing indices of each
// triangle, in drawing order.
template <typename Visit>
void forEachDrawnTriangle(int subdivisions, Visit visit) {
    const int n = subdivisions;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j <= i; ++j) {
            const int top = Glider::rowStart(i) + j;
            const int left = Glider::rowStart(i + 1) + j;
            const int right = left + 1;
            if (i < n - 1) {
                const int across = Glider::rowStart(i + 2) + j + 1;
                visit(top, left, across);
                visit(top, across, right);
            } else {
                visit(top, left, right);
            }
        }
    }
}

} // namespace

void Glider::computeNormals() {
    for (int k = 0; k < wingParticleCount; ++k) {
        vertexNormals[static_cast<std::size_t>(k)] = Vector3D(0.0, 0.0, 0.0);
    }
    // Every face counts once, whatever its area.
    forEachDrawnTriangle(subdivisions, [this](int a, int b, int c) {
        const Vector3D f = faceNormal(wing[static_cast<std::size_t>(a)], wing[static_cast<std::size_t>(b)],
                                      wing[static_cast<std::size_t>(c)]);
        vertexNormals[static_cast<std::size_t>(a)] += f;
        vertexNormals[static_cast<std::size_t>(b)] += f;
        vertexNormals[static_cast<std::size_t>(c)] += f;
    });
    // A vertex whose faces cancel or collapsed keeps the zero normal: it is
    // then lit by the ambient term only, never by NaNs.
    for (int k = 0; k < wingParticleCount; ++k) {
        vertexNormals[static_cast<std::size_t>(k)].normalize();
    }
}

void Glider::draw() {
    computeNormals();
    glPushMatrix();

    glColor3f(0.8f, 0.2f, 0.1f);
    glBegin(GL_TRIANGLES);
    forEachDrawnTriangle(subdivisions, [this](int a, int b, int c) {
        for (const int k : {a, b, c}) {
            const Vector3D& normal = vertexNormals[static_cast<std::size_t>(k)];
            const Vector3D& p = wing[static_cast<std::size_t>(k)].position;
            glNormal3d(normal.x, normal.y, normal.z);
            glVertex3d(p.x, p.y, p.z);
        }
    });
    glEnd();

    // The pilot hangs from the hub; line and sphere share one colour, and the
    // line is lit with the last wing normal given.
    glColor3f(0.2f, 0.3f, 0.8f);
    glBegin(GL_LINES);
    glVertex3f(static_cast<float>(pilot.position.x), static_cast<float>(pilot.position.y),
               static_cast<float>(pilot.position.z));
    glVertex3f(static_cast<float>(hub.position.x), static_cast<float>(hub.position.y),
               static_cast<float>(hub.position.z));
    glEnd();

    glPushMatrix();
    glTranslated(pilot.position.x, pilot.position.y, pilot.position.z);
    glutSolidSphere(0.3, 8, 8);
    glPopMatrix();

    glPopMatrix();
}
