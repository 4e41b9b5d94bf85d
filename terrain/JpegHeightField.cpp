#include "terrain/JpegHeightField.h"

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

// libjpeg's error handling for a reading that must come back with a reason
// instead of ending the process: fatal errors, and the warnings that mean
// the image data is damaged, jump back to the guard with libjpeg's message.
struct ReturningErrors {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is one to this
    std::jmp_buf guard;
    char message[JMSG_LENGTH_MAX] = "";
};

[[noreturn]] void returnFromFailure(j_common_ptr decoder) {
    auto* errors = reinterpret_cast<ReturningErrors*>(decoder->err);
    (*decoder->err->format_message)(decoder, errors->message);
    std::longjmp(errors->guard, 1);
}

void returnFromDamage(j_common_ptr decoder, int level) {
    if (level < 0) { // a warning: the data is corrupt; positive levels are traces
        returnFromFailure(decoder);
    }
}

// The decompression object, the file it reads and what is built from it,
// released on every return. With the standard error manager libjpeg's fatal
// errors exit the process from inside the library and never come back here;
// with ReturningErrors they come back to a guard, skipping only libjpeg's
// own frames, so everything that must be released lives in this object.
class JpegReading {
public:
    explicit JpegReading(ReturningErrors* returning) {
        if (returning != nullptr) {
            decoder.err = jpeg_std_error(&returning->manager);
            returning->manager.error_exit = returnFromFailure;
            returning->manager.emit_message = returnFromDamage;
        } else {
            decoder.err = jpeg_std_error(&errors); // installed before anything else
        }
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
    int openError = 0;
    std::vector<JSAMPLE> row;
    std::unique_ptr<HeightField> field;
};

enum class Outcome { Read, CannotOpen, NotGreyscale, TooLarge, Damaged };

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

// Fills reading.field with the heights, without normals, or tells why not.
Outcome decode(JpegReading& reading, const char* path, double spacing, double heightScale) {
    jpeg_decompress_struct& decoder = reading.decoder;

    reading.file = std::fopen(path, "rb");
    if (reading.file == nullptr || isDirectory(reading.file)) {
        reading.openError = reading.file == nullptr ? errno : EISDIR;
        return Outcome::CannotOpen;
    }
    jpeg_stdio_src(&decoder, reading.file);
    (void)jpeg_read_header(&decoder, TRUE); // a stdio source never suspends

    // Only a single-component image comes out greyscale; colour and CMYK
    // images are refused rather than converted.
    if (decoder.out_color_space != JCS_GRAYSCALE) {
        return Outcome::NotGreyscale;
    }
    // Checked before decompression starts: a progressive image's coefficient
    // buffers are allocated there. Nothing is scaled, so the output size is
    // the image size.
    if (!fitsInMemory(decoder.image_width, decoder.image_height)) {
        return Outcome::TooLarge;
    }

    jpeg_start_decompress(&decoder);
    const JDIMENSION width = decoder.output_width;
    const JDIMENSION height = decoder.output_height;
    reading.field = std::make_unique<HeightField>(static_cast<int>(width), static_cast<int>(height),
                                                  -(spacing * width * 0.5), -(spacing * height * 0.5), spacing,
                                                  0.0);
    reading.row.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(decoder.output_components));
    JSAMPROW rows[1] = {reading.row.data()};
    // The image's top row becomes the grid's low-y border.
    while (decoder.output_scanline < height) {
        const int c = static_cast<int>(decoder.output_scanline);
        jpeg_read_scanlines(&decoder, rows, 1);
        for (JDIMENSION i = 0; i < width; ++i) {
            reading.field->setSample(static_cast<int>(i), c, heightScale * reading.row[i]);
        }
    }
    jpeg_finish_decompress(&decoder);
    return Outcome::Read;
}

// decode, with a landing place for ReturningErrors' jumps. Nothing here or
// in decode needs releasing when libjpeg's frames are skipped.
Outcome decodeReturning(JpegReading& reading, ReturningErrors& errors, const char* path, double spacing,
                        double heightScale) {
    if (setjmp(errors.guard) != 0) {
        return Outcome::Damaged;
    }
    return decode(reading, path, spacing, heightScale);
}

// The grid of heights, without normals, or null after a message.
std::unique_ptr<HeightField> readHeights(const char* path, double spacing, double heightScale) {
    JpegReading reading(nullptr);
    switch (decode(reading, path, spacing, heightScale)) {
    case Outcome::CannotOpen:
        std::fprintf(stderr, "Erreur : impossible d'ouvrir %s\n", path);
        return nullptr;
    case Outcome::NotGreyscale:
        std::fprintf(stderr, "Error : l'image doit etre en niveaux de gris\n");
        return nullptr;
    case Outcome::TooLarge:
        std::fprintf(stderr, "Erreur : image %s trop grande (%u x %u pixels)\n", path,
                     static_cast<unsigned>(reading.decoder.image_width),
                     static_cast<unsigned>(reading.decoder.image_height));
        return nullptr;
    case Outcome::Damaged: // the standard error manager never returns
    case Outcome::Read:
        break;
    }
    return std::move(reading.field);
}

} // namespace

std::unique_ptr<HeightField> loadHeightFieldJpeg(const char* path, double spacing, double heightScale) {
    std::unique_ptr<HeightField> field = readHeights(path, spacing, heightScale);
    if (field) {
        field->computeNormals();
    }
    return field;
}

std::unique_ptr<HeightField> readHeightFieldJpeg(const char* path, double spacing, double heightScale,
                                                 std::string& reason) {
    ReturningErrors errors;
    JpegReading reading(&errors);
    const jpeg_decompress_struct& decoder = reading.decoder;
    switch (decodeReturning(reading, errors, path, spacing, heightScale)) {
    case Outcome::CannotOpen:
        reason = std::strerror(reading.openError);
        return nullptr;
    case Outcome::NotGreyscale:
        reason = "not a greyscale image (" + std::to_string(decoder.num_components) + " colour components)";
        return nullptr;
    case Outcome::TooLarge:
        reason = "image too large (" + std::to_string(decoder.image_width) + " x " +
                 std::to_string(decoder.image_height) + " pixels)";
        return nullptr;
    case Outcome::Damaged:
        reason = std::string("not a usable JPEG image: ") + errors.message;
        return nullptr;
    case Outcome::Read:
        break;
    }
    reading.field->computeNormals();
    return std::move(reading.field);
}
