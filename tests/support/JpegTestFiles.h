#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Test images written with libjpeg's own compressor from pixels a test
// chooses, and the byte surgery that makes damaged or lying files from them.
namespace jpegtest {

using Bytes = std::vector<unsigned char>;

struct Image {
    int width = 0;
    int height = 0;
    int components = 1;                // 1 greyscale, 3 RGB, 4 CMYK
    std::vector<unsigned char> pixels; // rows top to bottom, components interleaved
};

struct Encoding {
    int quality = 100;
    bool progressive = false;
    unsigned restartRows = 0; // a restart marker every this many MCU rows; 0 for none
};

// Greyscale image filled by value(column, row).
template <class Value>
Image greyImage(int width, int height, Value value) {
    Image image{width, height, 1, {}};
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            image.pixels.push_back(static_cast<unsigned char>(value(column, row)));
        }
    }
    return image;
}

Bytes encode(const Image& image, const Encoding& encoding = {});
void writeFile(const std::string& path, const Bytes& bytes);

// Rewrites the size in the frame header; the compressed data stays as it was.
void setFrameSize(Bytes& jpeg, unsigned width, unsigned height);
// Offset of the first byte of entropy-coded data, just past the scan header.
std::size_t scanDataOffset(const Bytes& jpeg);

} // namespace jpegtest
