#include "platform/StandardStreams.h"
#include "flight/GliderFlight.h"

int main(int argc, char** argv) {
    openClosedStandardStreams();
    return flight::runGliderFlight(argc, argv);
}
