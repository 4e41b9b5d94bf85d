#include "app/Display.h"

#include <GL/gl.h>
#include <GL/freeglut.h>
#include <cstdio>

#include "app/AppGlobals.h"
#include "physics/FloatRounding.h"
#include "scene/StartScene.h"

namespace {

// Clipping planes; the frustum is 1 m tall either side of the axis at the
// near plane, a vertical field of view of about 43.6 degrees.
constexpr double kNearPlane = 2.5; // (unit: metres)
constexpr double kFarPlane = 500.0; // (unit: metres)

// 10 m in front of the eye: with a 640 x 480 window the baseline starts
// 14 pixels from the left edge and 12 from the bottom.
constexpr float kStatusRasterX = -5.1f;
constexpr float kStatusRasterY = -3.8f;
constexpr float kStatusRasterZ = -10.0f;

void drawStatusLine() {
    char line[kStatusLineSize];
    const std::size_t length = formatStatusLine(gatherStatus(), line, sizeof line);
    glRasterPos3f(kStatusRasterX, kStatusRasterY, kStatusRasterZ);
    for (std::size_t i = 0; i < length; ++i) {
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, static_cast<unsigned char>(line[i]));
    }
}

} // namespace

void initRenderState() {
    // Set while the modelview matrix is the identity; every frame draws with
    // an identity modelview (the camera lives on the projection stack), so
    // the light stays at this world point however the camera moves.
    const GLfloat lightPosition[4] = {-400.0f, 400.0f, 400.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_COLOR_MATERIAL);
    // Each drawing call's colour is its material, on both faces; the wing's
    // underside is lit with the reversed normal.
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_ALPHA_TEST);
    glShadeModel(GL_SMOOTH);

    cameraDistance = 10.0f;
    cameraElevation = 30.0f;
    cameraAzimuth = -170.0f;
    viewTranslation[0] = 0.0f;
    viewTranslation[1] = 0.0f;
    viewTranslation[2] = -2.0f;
    dragMode = kDragNone;
}

void reshape(int width, int height) {
    // A minimised window reports a zero size; an aspect from a zero height
    // would be infinite and from a zero width would collapse the frustum, so
    // the aspect counts at least one pixel each way.
    const int aspectWidth = width > 0 ? width : 1;
    const int aspectHeight = height > 0 ? height : 1;
    // Held in single precision, then widened for glFrustum.
    const float aspect = roundedToFloat(static_cast<double>(aspectWidth) / aspectHeight);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-aspect, aspect, -1.0, 1.0, kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The viewing transform rides on the projection stack for the scene only;
    // the modelview stays the identity, so the light keeps its world place.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -cameraDistance);
    glRotatef(cameraElevation - 90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(cameraAzimuth, 0.0f, 0.0f, 1.0f);
    glTranslatef(viewTranslation[0], viewTranslation[1], viewTranslation[2]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (Drawable* item : scene) {
        item->draw();
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    // Flat red text over the picture.
    glColor3f(1.0f, 0.0f, 0.0f);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    drawStatusLine();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);

    glFlush();
    glutSwapBuffers();
}

StatusValues gatherStatus() {
    const Particle& pilot = glider->pilotParticle();
    StatusValues status;
    status.velocity = world->velocityOf(pilot);
    status.position = pilot.position;
    status.terrainHeight = terrain->heightAt(status.position.x, status.position.y);
    status.speed = status.velocity.length();
    status.time = stepCount * start::kSecondsPerStep;
    return status;
}

std::size_t formatStatusLine(const StatusValues& s, char* buffer, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // Bounded: absurd magnitudes (a diverging flight prints hundreds of
    // digits) cut the line short instead of running past the buffer.
    const int wanted = std::snprintf(
        buffer, size, "Time=%.02lf Terrain=%0.1lf Pos=(%0.1lf, %0.1lf, %0.1lf) Vel=(%0.1lf, %0.1lf, %0.1lf)  Speed=%0.1lf",
        s.time, s.terrainHeight, s.position.x, s.position.y, s.position.z, s.velocity.x, s.velocity.y,
        s.velocity.z, s.speed);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    const std::size_t written = static_cast<std::size_t>(wanted);
    return written < size ? written : size - 1;
}
