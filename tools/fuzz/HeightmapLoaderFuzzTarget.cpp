// Fuzz target for the heightmap loader: loads the file named on the command
// line as the simulator loads terrain.jpg and queries the result. A fatal
// libjpeg error ends the process with status 1 by design; only crashes, hangs
// and sanitizer reports are findings. Run through scripts/fuzz.
#include <cstdio>

#include "terrain/JpegHeightField.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s IMAGE\n", argv[0]);
        return 2;
    }
    const auto terrain = loadHeightFieldJpeg(argv[1], 1.0, 0.1);
    if (!terrain) {
        return 0;
    }
    // Touch every corner of the grid and its normals as the program would.
    double sum = terrain->heightAt(0.0, 0.0) + terrain->heightAt(-1e9, 1e9) + terrain->heightAt(1e9, -1e9);
    const int last = terrain->columnCount() - 1;
    const int top = terrain->rowCount() - 1;
    sum += terrain->normalAt(last, top).z + terrain->lowest() + terrain->highest();
    return sum == sum ? 0 : 3;
}
