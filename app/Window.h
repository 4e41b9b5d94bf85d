#pragma once

// Initialises GLUT with the command line (it takes its own options out),
// opens the 640 x 480 double-buffered window titled with argv[0], sets the
// fixed render state and registers display, reshape, mouse, motion and
// keyboard. Returns 0.
int initGlut(int* argc, char** argv);
