#pragma once

// Initialises GLUT with the command line (it takes its own options out),
// opens the double-buffered window titled with argv[0] (640 x 480 at
// (100, 100) unless -geometry says otherwise), sets the fixed render state
// and registers display, reshape, mouse, motion and keyboard. Closing the
// window makes glutMainLoop return. Returns 0.
int initGlut(int* argc, char** argv);
