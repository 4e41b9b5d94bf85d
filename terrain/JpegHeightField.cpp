#include "terrain/JpegHeightField.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

// The decompression object and the file it reads, released in that order on
// every return. libjpeg's fatal errors exit the process from inside the
// library and never come back here.
class JpegReading {
public:
    JpegReading() {
        decoder.err = jpeg_std_error(&errors); // installed before anything else
        jpeg_create_decompress(&decoder);
    }
    ~JpegReading() {
        jpeg_destroy_decompress(&decoder);
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    JpegReading(const JpegReading&) = delete;
    JpegReading& operator=(const JpegReading&) = delete;

    jpeg_decompress_struct decoder{};
    jpeg_error_mgr errors{};
    FILE* file = nullptr;
};

// Opening a directory for reading succeeds on Linux; only the first read
// fails, which libjpeg would take for an empty file and exit on. A directory
// is a file that cannot be opened as an image.
bool isDirectory(FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

// What one pixel costs while the terrain is built: its height and normal in
// the grid, plus the whole-image coefficients libjpeg keeps for a progressive
// image (64 two-byte coefficients per 8 x 8 block).
constexpr std::uint64_t kBytesPerPixel = sizeof(double) + sizeof(Vector3D) + 2; // (unit: bytes)
constexpr std::uint64_t kMemoryWhenUnknown = std::uint64_t{1} << 30;            // (unit: bytes)

// The most samples a heightmap may have: 4096 x 4096, a 4 km square at one
// metre per pixel, whose grid and normals take about 0.5 GB and load in a
// couple of seconds. A header can claim up to 65500 x 65500 pixels from a file
// of a hundred bytes (libjpeg fills what the data does not cover), which
// would otherwise cost minutes and many gigabytes before the first frame.
constexpr std::uint64_t kMaxSamples = std::uint64_t{4096} * 4096;

// Half the machine's physical memory, for machines too small for the cap.
std::uint64_t gridMemoryBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return kMemoryWhenUnknown;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
}

bool fitsInMemory(JDIMENSION width, JDIMENSION height) {
    const std::uint64_t pixels = std::uint64_t{width} * std::uint64_t{height}; // at most 65500^2
    return pixels <= kMaxSamples && pixels * kBytesPerPixel <= gridMemoryBudget();
}

// The grid of heights, without normals, or null after a message.
std::unique_ptr<HeightField> readHeights(const char* path, double spacing, double heightScale) {
    JpegReading reading;
    jpeg_decompress_struct& decoder = reading.decoder;

    reading.file = std::fopen(path, "rb");
    if (reading.file == nullptr || isDirectory(reading.file)) {
        std::fprintf(stderr, "Erreur : impossible d'ouvrir %s\n", path);
        return nullptr;
    }
    jpeg_stdio_src(&decoder, reading.file);
    (void)jpeg_read_header(&decoder, TRUE); // a stdio source never suspends

    // Only a single-component image comes out greyscale; colour and CMYK
    // images are refused rather than converted.
    if (decoder.out_color_space != JCS_GRAYSCALE) {
        std::fprintf(stderr, "Error : l'image doit etre en niveaux de gris\n");
        return nullptr;
    }
    // Checked before decompression starts: a progressive image's coefficient
    // buffers are allocated there. Nothing is scaled, so the output size is
    // the image size.
    if (!fitsInMemory(decoder.image_width, decoder.image_height)) {
        std::fprintf(stderr, "Erreur : image %s trop grande (%u x %u pixels)\n", path,
                     static_cast<unsigned>(decoder.image_width), static_cast<unsigned>(decoder.image_height));
        return nullptr;
    }

    jpeg_start_decompress(&decoder);
    const JDIMENSION width = decoder.output_width;
    const JDIMENSION height = decoder.output_height;
    auto field = std::make_unique<HeightField>(static_cast<int>(width), static_cast<int>(height),
                                               -(spacing * width * 0.5), -(spacing * height * 0.5), spacing,
                                               0.0);
    {
        std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * static_cast<std::size_t>(decoder.output_components));
        JSAMPROW rows[1] = {row.data()};
        // The image's top row becomes the grid's low-y border.
        while (decoder.output_scanline < height) {
            const int c = static_cast<int>(decoder.output_scanline);
            jpeg_read_scanlines(&decoder, rows, 1);
            for (JDIMENSION i = 0; i < width; ++i) {
                field->setSample(static_cast<int>(i), c, heightScale * row[i]);
            }
        }
    }
    jpeg_finish_decompress(&decoder);
    return field;
}

} // namespace

std::unique_ptr<HeightField> loadHeightFieldJpeg(const char* path, double spacing, double heightScale) {
    std::unique_ptr<HeightField> field = readHeights(path, spacing, heightScale);
    if (field) {
        field->computeNormals();
    }
    return field;
}
