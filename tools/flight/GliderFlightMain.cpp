#include "tools/flight/GliderFlight.h"

int main(int argc, char** argv) { return flight::runGliderFlight(argc, argv); }
