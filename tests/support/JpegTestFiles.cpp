#include "tests/support/JpegTestFiles.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace jpegtest {

namespace {

J_COLOR_SPACE colourSpaceOf(int components) {
    switch (components) {
    case 1:
        return JCS_GRAYSCALE;
    case 3:
        return JCS_RGB;
    case 4:
        return JCS_CMYK;
    default:
        throw std::invalid_argument("test images have 1, 3 or 4 components");
    }
}

// Calls back for each marker segment before the entropy-coded data; stops
// when `visit` returns true. Returns the offset just past the stopping segment.
template <class Visit>
std::size_t walkSegments(const Bytes& jpeg, Visit visit) {
    std::size_t at = 2; // past the start-of-image marker
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) {
            throw std::runtime_error("not at a marker");
        }
        const unsigned char marker = jpeg[at + 1];
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (visit(marker, at)) {
            return at + 2 + length;
        }
        at += 2 + length;
    }
    throw std::runtime_error("marker not found");
}

bool isFrameHeader(unsigned char marker) { return marker >= 0xC0 && marker <= 0xC2; }

} // namespace

Bytes encode(const Image& image, const Encoding& encoding) {
    jpeg_compress_struct encoder{};
    jpeg_error_mgr errors{};
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&encoder, &buffer, &size);

    encoder.image_width = static_cast<JDIMENSION>(image.width);
    encoder.image_height = static_cast<JDIMENSION>(image.height);
    encoder.input_components = image.components;
    encoder.in_color_space = colourSpaceOf(image.components);
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, encoding.quality, TRUE);
    if (encoding.progressive) {
        jpeg_simple_progression(&encoder);
    }
    encoder.restart_in_rows = static_cast<int>(encoding.restartRows);

    jpeg_start_compress(&encoder, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.components);
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.pixels.data() + encoder.next_scanline * stride);
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    Bytes bytes(buffer, buffer + size);
    jpeg_destroy_compress(&encoder);
    std::free(buffer);
    return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::fclose(file);
}

void setFrameSize(Bytes& jpeg, unsigned width, unsigned height) {
    walkSegments(jpeg, [&](unsigned char marker, std::size_t at) {
        if (!isFrameHeader(marker)) {
            return false;
        }
        // Marker, length, precision, then height and width, big-endian.
        jpeg[at + 5] = static_cast<unsigned char>(height >> 8);
        jpeg[at + 6] = static_cast<unsigned char>(height & 0xFF);
        jpeg[at + 7] = static_cast<unsigned char>(width >> 8);
        jpeg[at + 8] = static_cast<unsigned char>(width & 0xFF);
        return true;
    });
}

std::size_t scanDataOffset(const Bytes& jpeg) {
    return walkSegments(jpeg, [](unsigned char marker, std::size_t) { return marker == 0xDA; });
}

} // namespace jpegtest
