#pragma once

// GLUT input callbacks. Ordinary keys are echoed and Escape quits; special
// keys steer or reset the glider (the others are echoed); dragging with the
// left button orbits the camera, with Shift held at the press it zooms.
void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
