#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "scene/StartScene.h"
#include "terrain/JpegHeightField.h"
#include "tests/support/FloatingPointTraps.h"
#include "tests/support/JpegTestFiles.h"

namespace {

namespace fs = std::filesystem;
using jpegtest::Bytes;
using jpegtest::Encoding;
using jpegtest::Image;
using jpegtest::greyImage;

constexpr double kLevel = 0.1; // (unit: metres per grey level) the application's scale

int openFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

class JpegHeightField : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jpeg-height-field-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string pathOf(const std::string& name) const { return directory + "/" + name; }
    std::string write(const std::string& name, const Bytes& bytes) const {
        jpegtest::writeFile(pathOf(name), bytes);
        return pathOf(name);
    }

    // Loads with the application's spacing and scale, checking that the file
    // is closed again whatever the outcome.
    std::unique_ptr<HeightField> load(const std::string& path, std::string* errors = nullptr) {
        const int filesBefore = openFileCount();
        ::testing::internal::CaptureStderr();
        auto field = loadHeightFieldJpeg(path.c_str(), 1.0, kLevel);
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(openFileCount(), filesBefore) << "a file was left open loading " << path;
        if (errors != nullptr) {
            *errors = printed;
        }
        return field;
    }

    void expectRefused(const std::string& path, const std::string& message) {
        std::string errors;
        EXPECT_EQ(load(path, &errors), nullptr);
        EXPECT_EQ(errors, message);
    }

    std::string directory;
};

// Four uniform 8 x 8 blocks, which survive compression unchanged: top left 0,
// top right 60, bottom left 120, bottom right 255.
Image quadrants() {
    return greyImage(16, 16, [](int column, int row) {
        const int levels[2][2] = {{0, 60}, {120, 255}};
        return levels[row / 8][column / 8];
    });
}

// A smooth ramp of odd size, not a whole number of blocks.
Image ramp() { return greyImage(21, 13, [](int column, int row) { return 20 + 9 * column + 3 * row; }); }

std::string openFailure(const std::string& path) { return "Erreur : impossible d'ouvrir " + path + "\n"; }
const std::string kNotGreyscale = "Error : l'image doit etre en niveaux de gris\n";

// --- what a usable image becomes ---

TEST_F(JpegHeightField, FourByThreeImageCentresItsGridOnTheOrigin) {
    FloatingPointTraps traps;
    std::string errors;
    const auto field = load(write("small.jpg", jpegtest::encode(greyImage(4, 3, [](int, int) { return 200; }))), &errors);
    EXPECT_EQ(errors, "");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->columnCount(), 4);
    EXPECT_EQ(field->rowCount(), 3);
    EXPECT_EQ(field->gridSpacing(), 1.0);
    EXPECT_EQ(field->gridOriginX(), -2.0);
    EXPECT_EQ(field->gridOriginY(), -1.5);
    EXPECT_EQ(field->heightAt(1.0, -1.5), 20.0); // column 3 of the top row
    EXPECT_EQ(field->sample(3, 0), 20.0);
}

TEST_F(JpegHeightField, TopImageRowLiesAlongTheLowYBorder) {
    FloatingPointTraps traps;
    const auto field = load(write("quadrants.jpg", jpegtest::encode(quadrants())));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->heightAt(-8.0, -8.0), 0.0);      // top left pixel, low x and low y
    EXPECT_EQ(field->heightAt(7.0, -8.0), 6.0);       // top right
    EXPECT_EQ(field->heightAt(-8.0, 7.0), 12.0);      // bottom left
    EXPECT_EQ(field->heightAt(7.0, 7.0), 25.5);       // white
    EXPECT_EQ(field->heightAt(0.0, 0.0), field->sample(8, 8)); // even size: a sample at the origin
    EXPECT_EQ(field->lowest(), 0.0);
    EXPECT_EQ(field->highest(), 25.5);
}

TEST_F(JpegHeightField, SpacingAndScaleStretchTheGrid) {
    const std::string path = write("quadrants.jpg", jpegtest::encode(quadrants()));
    ::testing::internal::CaptureStderr();
    const auto field = loadHeightFieldJpeg(path.c_str(), 2.0, 1.0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->gridOriginX(), -16.0);
    EXPECT_EQ(field->gridOriginX() + 15 * field->gridSpacing(), 14.0);
    EXPECT_EQ(field->heightAt(14.0, 14.0), 255.0);
}

TEST_F(JpegHeightField, ProgressiveAndRestartEncodingsDecodeLikeBaseline) {
    const Image source = ramp();
    const auto baseline = load(write("baseline.jpg", jpegtest::encode(source)));
    Encoding progressive;
    progressive.progressive = true;
    Encoding restarts;
    restarts.restartRows = 1;
    const auto others = {load(write("progressive.jpg", jpegtest::encode(source, progressive))),
                         load(write("restarts.jpg", jpegtest::encode(source, restarts)))};
    ASSERT_NE(baseline, nullptr);
    for (const auto& other : others) {
        ASSERT_NE(other, nullptr);
    }
    for (int j = 0; j < source.height; ++j) {
        for (int i = 0; i < source.width; ++i) {
            EXPECT_NEAR(baseline->sample(i, j), kLevel * source.pixels[i + j * source.width], 1.5 * kLevel);
            for (const auto& other : others) {
                ASSERT_EQ(other->sample(i, j), baseline->sample(i, j)) << "pixel " << i << ", " << j;
            }
        }
    }
}

// A single row or column of pixels makes a grid without cells: it still
// loads, answers heights and lies level.
TEST_F(JpegHeightField, OnePixelWideOrHighImagesGiveGridsWithoutCells) {
    FloatingPointTraps traps;
    for (const auto& [columns, rows] : {std::pair{1, 5}, std::pair{5, 1}}) {
        const auto field = load(write("line.jpg", jpegtest::encode(greyImage(columns, rows, [](int, int) { return 100; }))));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->columnCount(), columns);
        EXPECT_EQ(field->rowCount(), rows);
        EXPECT_EQ(field->heightAt(0.3, -0.2), 10.0);
        EXPECT_EQ(field->heightAt(50.0, 50.0), 10.0);
        EXPECT_EQ(field->normalAt(0, 0).z, 1.0);
    }
}

// --- damaged data that libjpeg recovers from ---

// A truncated image, and headers claiming more pixels than their data holds
// (up to the 4096 x 4096 limit): libjpeg warns, fills in, and a terrain of the
// header's size comes back.
TEST_F(JpegHeightField, ImagesShortOfDataWarnAndStillGiveATerrainOfTheHeaderSize) {
    Bytes truncated = jpegtest::encode(ramp());
    truncated.resize(jpegtest::scanDataOffset(truncated) + (truncated.size() - jpegtest::scanDataOffset(truncated)) / 2);
    Bytes stretched = jpegtest::encode(quadrants());
    jpegtest::setFrameSize(stretched, 512, 384);
    Bytes atLimit = jpegtest::encode(quadrants());
    jpegtest::setFrameSize(atLimit, 4096, 4096);
    const struct {
        Bytes jpeg;
        int columns;
        int rows;
        const char* warning;
    } cases[] = {
        {truncated, 21, 13, "Premature end of JPEG file"},
        {stretched, 512, 384, "Corrupt JPEG data"},
        {atLimit, 4096, 4096, "Corrupt JPEG data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.columns);
        std::string errors;
        const auto field = load(write("short.jpg", c.jpeg), &errors);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->columnCount(), c.columns);
        EXPECT_EQ(field->rowCount(), c.rows);
        EXPECT_NE(errors.find(c.warning), std::string::npos) << errors;
    }
}

// --- files that give no terrain: a message, null, and the caller falls back ---

TEST_F(JpegHeightField, UnopenableOrColourFilesAreRefusedWithTheirMessageAndTheGeneratedTerrainFlown) {
    const std::string unreadable = write("unreadable.jpg", jpegtest::encode(quadrants()));
    ASSERT_EQ(chmod(unreadable.c_str(), 0), 0);
    const std::string directoryPath = pathOf("dir.jpg");
    ASSERT_TRUE(fs::create_directory(directoryPath));
    const std::string colour = write("colour.jpg", jpegtest::encode(Image{8, 8, 3, Bytes(8 * 8 * 3, 128)}));
    const std::string cmyk = write("cmyk.jpg", jpegtest::encode(Image{8, 8, 4, Bytes(8 * 8 * 4, 40)}));
    const std::pair<std::string, std::string> cases[] = {
        {pathOf("missing.jpg"), openFailure(pathOf("missing.jpg"))},
        {unreadable, openFailure(unreadable)}, // root reads every file: checked below
        {directoryPath, openFailure(directoryPath)},
        {colour, kNotGreyscale}, // grey pixels, yet three components
        {cmyk, kNotGreyscale},
    };
    for (const auto& [path, message] : cases) {
        if (path == unreadable && geteuid() == 0) {
            continue;
        }
        SCOPED_TRACE(path);
        expectRefused(path, message);
        // The start-up scene falls back to its generated 100 x 100 terrain.
        ::testing::internal::CaptureStderr();
        const auto terrain = start::makeTerrain(path.c_str());
        ::testing::internal::GetCapturedStderr();
        ASSERT_NE(terrain, nullptr);
        EXPECT_EQ(terrain->columnCount(), 100);
        EXPECT_EQ(terrain->gridSpacing(), 5.0);
    }
}

// A header may claim up to 65500 x 65500 pixels; such a grid cannot be held,
// so it is refused before anything is allocated for it. So is anything past
// 4096 x 4096 samples: a hundred-byte file claiming 63752 x 3842 pixels once
// took 37 s and 7.6 GB to load.
TEST_F(JpegHeightField, ImageTooLargeToHoldIsRefusedWithItsSize) {
    Encoding progressive; // whose decoder would reserve the whole image up front
    progressive.progressive = true;
    for (const Encoding& encoding : {Encoding{}, progressive}) {
        for (const unsigned width : {65500u, 63752u, 4097u}) {
            const unsigned height = width == 63752u ? 3842u : width == 4097u ? 4096u : 65500u;
            Bytes jpeg = jpegtest::encode(quadrants(), encoding);
            jpegtest::setFrameSize(jpeg, width, height);
            const std::string path = write("huge.jpg", jpeg);
            expectRefused(path, "Erreur : image " + path + " trop grande (" + std::to_string(width) + " x " +
                                    std::to_string(height) + " pixels)\n");
        }
    }
}

// --- fatal decoding errors: libjpeg's message, then exit status 1 ---

TEST_F(JpegHeightField, NotAJpegOrEmptyFileEndsTheProcessWithLibjpegsMessage) {
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes{'h', 'i', 'l', 'l', 's', '\n'}, "^Not a JPEG file: starts with 0x68 0x69\n$"},
        {Bytes{}, "^Empty input file\n$"},
    };
    for (const auto& [bytes, message] : cases) {
        const std::string path = write("bad.jpg", bytes);
        EXPECT_EXIT(loadHeightFieldJpeg(path.c_str(), 1.0, kLevel), ::testing::ExitedWithCode(1), message);
    }
}

// Entropy-coded garbage after a valid header: 600 pseudo-random bytes, with
// or without the 0xFF bytes that libjpeg reads as the start of a marker.
Bytes garbageAfterHeader(unsigned seed, bool withMarkers) {
    const Bytes valid = jpegtest::encode(ramp());
    Bytes jpeg(valid.begin(), valid.begin() + static_cast<long>(jpegtest::scanDataOffset(valid)));
    while (jpeg.size() < jpegtest::scanDataOffset(valid) + 600) {
        seed = seed * 1103515245u + 12345u;
        const auto byte = static_cast<unsigned char>(seed >> 16);
        if (withMarkers || byte != 0xFF) {
            jpeg.push_back(byte);
        }
    }
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9); // end of image
    return jpeg;
}

// Exits 0 when the file gives a whole terrain; libjpeg exits 1 on its own.
void loadAndExit(const std::string& path) {
    const auto field = loadHeightFieldJpeg(path.c_str(), 1.0, kLevel);
    std::exit(field && field->columnCount() == 21 && field->rowCount() == 13 ? 0 : 2);
}

bool terrainOrLibjpegFailure(int status) {
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
}

// Whether libjpeg recovers from garbage data is its own decision (stray
// markers are fatal to it, as it stands); either way the process ends with
// its status or hands back a whole terrain, and never crashes.
TEST_F(JpegHeightField, GarbageAfterAValidHeaderEndsCleanlyOrGivesATerrain) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::string path = write("garbage.jpg", garbageAfterHeader(seed, true));
        EXPECT_EXIT(loadAndExit(path), terrainOrLibjpegFailure, "JPEG|marker");
    }
}

TEST_F(JpegHeightField, GarbageWithoutMarkersWarnsAndGivesATerrain) {
    const std::string path = write("garbage.jpg", garbageAfterHeader(7, false));
    EXPECT_EXIT(loadAndExit(path), ::testing::ExitedWithCode(0), "Corrupt JPEG data");
}

// --- a heightmap named by the user: used whole or refused with a reason ---

// Every file the classic loader falls back from, or ends the process on,
// comes back as null with a reason, printing nothing and leaving no file
// open; the process carries on.
TEST_F(JpegHeightField, ANamedHeightmapThatCannotBeUsedIsRefusedWithAReason) {
    const std::string folder = pathOf("dir.jpg");
    ASSERT_TRUE(fs::create_directory(folder));
    fs::create_symlink("loop-b.jpg", pathOf("loop-a.jpg"));
    fs::create_symlink("loop-a.jpg", pathOf("loop-b.jpg"));
    Bytes huge = jpegtest::encode(quadrants());
    jpegtest::setFrameSize(huge, 65500, 65500);
    Bytes truncated = jpegtest::encode(ramp());
    truncated.resize(jpegtest::scanDataOffset(truncated) + 40);
    const std::pair<std::string, std::string> cases[] = {
        {pathOf("missing.jpg"), "No such file or directory"},
        {folder, "Is a directory"},
        {pathOf("loop-a.jpg"), "Too many levels of symbolic links"},
        {write("colour.jpg", jpegtest::encode(Image{8, 8, 3, Bytes(8 * 8 * 3, 128)})),
         "not a greyscale image (3 colour components)"},
        {write("huge.jpg", huge), "image too large (65500 x 65500 pixels)"},
        {write("text.jpg", Bytes{'h', 'i', 'l', 'l', 's', '\n'}),
         "not a usable JPEG image: Not a JPEG file: starts with 0x68 0x69"},
        {write("empty.jpg", Bytes{}), "not a usable JPEG image: Empty input file"},
        {write("truncated.jpg", truncated), "not a usable JPEG image: Premature end of JPEG file"},
        {write("garbage.jpg", garbageAfterHeader(3, true)), "not a usable JPEG image: "},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        const int filesBefore = openFileCount();
        std::string given;
        ::testing::internal::CaptureStderr();
        const auto field = readHeightFieldJpeg(path.c_str(), 1.0, kLevel, given);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(field, nullptr);
        EXPECT_EQ(given.rfind(reason, 0), 0u) << given;
        EXPECT_EQ(openFileCount(), filesBefore);
    }
}

TEST_F(JpegHeightField, ANamedHeightmapThatCanBeUsedGivesTheClassicTerrain) {
    const std::string path = write("ramp.jpg", jpegtest::encode(ramp()));
    const auto classic = load(path);
    std::string reason;
    const auto named = readHeightFieldJpeg(path.c_str(), 1.0, kLevel, reason);
    ASSERT_NE(classic, nullptr);
    ASSERT_NE(named, nullptr) << reason;
    EXPECT_EQ(reason, "");
    ASSERT_EQ(named->columnCount(), classic->columnCount());
    ASSERT_EQ(named->rowCount(), classic->rowCount());
    EXPECT_EQ(named->gridOriginX(), classic->gridOriginX());
    for (int j = 0; j < classic->rowCount(); ++j) {
        for (int i = 0; i < classic->columnCount(); ++i) {
            ASSERT_EQ(named->sample(i, j), classic->sample(i, j));
            ASSERT_EQ(named->normalAt(i, j), classic->normalAt(i, j));
        }
    }
}

} // namespace
