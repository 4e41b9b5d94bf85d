// fuzz-seeds DIR: writes small greyscale, colour, CMYK, progressive,
// restart-marker and truncated JPEGs into DIR as the fuzzer's starting corpus.
#include <cstdio>
#include <string>

#include "tests/support/JpegTestFiles.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    using namespace jpegtest;
    const Image hills = greyImage(16, 12, [](int c, int r) { return (c * 13 + r * 29) % 256; });
    writeFile(dir + "/grey.jpg", encode(hills));
    writeFile(dir + "/grey-q50.jpg", encode(hills, Encoding{50, false, 0}));
    writeFile(dir + "/progressive.jpg", encode(hills, Encoding{90, true, 0}));
    writeFile(dir + "/restart.jpg", encode(greyImage(32, 32, [](int c, int r) { return c ^ r; }), Encoding{90, false, 1}));
    writeFile(dir + "/one-row.jpg", encode(greyImage(9, 1, [](int c, int) { return c * 20; })));

    Image colour{8, 8, 3, {}};
    Image cmyk{8, 8, 4, {}};
    for (int i = 0; i < 64; ++i) {
        colour.pixels.insert(colour.pixels.end(), {static_cast<unsigned char>(i * 4), 100, 200});
        cmyk.pixels.insert(cmyk.pixels.end(), {10, static_cast<unsigned char>(i), 30, 40});
    }
    writeFile(dir + "/colour.jpg", encode(colour));
    writeFile(dir + "/cmyk.jpg", encode(cmyk));

    Bytes truncated = encode(hills, Encoding{90, true, 0});
    truncated.resize(scanDataOffset(truncated) + 20);
    writeFile(dir + "/truncated.jpg", truncated);
    return 0;
}
