#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <gtest/gtest.h>

#include "terrain/DemHeightField.h"
#include "tests/support/DemTestFiles.h"
#include "tests/support/FloatingPointTraps.h"
#include "physics/SharedConstants.h"

namespace {

namespace fs = std::filesystem;
using demtest::Grid;

constexpr double kRadian = kPi / 180.0;

// WGS-84's radii of curvature: metres per radian of latitude (meridian) and
// of longitude along a parallel divided by cos(latitude). Over a few
// kilometres they place a point to centimetres, independently of PROJ.
constexpr double kA = 6378137.0;
constexpr double kF = 1.0 / 298.257223563;
constexpr double kE2 = kF * (2.0 - kF);
double meridianRadius(double latitude) {
    const double s = std::sin(latitude * kRadian);
    return kA * (1.0 - kE2) / std::pow(1.0 - kE2 * s * s, 1.5);
}
double normalRadius(double latitude) {
    const double s = std::sin(latitude * kRadian);
    return kA / std::sqrt(1.0 - kE2 * s * s);
}

// Where a point lies on a map centred at `centre` whose north is the
// centre's meridian: east along the parallel, north along the meridian, and
// the parallel's curvature away from the map's straight x axis.
void expectedLocal(const GeoCoordinate& centre, const GeoCoordinate& point, double& x, double& y) {
    const double middle = 0.5 * (centre.latitude + point.latitude);
    x = normalRadius(point.latitude) * std::cos(point.latitude * kRadian) * (point.longitude - centre.longitude) *
        kRadian;
    y = meridianRadius(middle) * (point.latitude - centre.latitude) * kRadian +
        x * x * std::tan(point.latitude * kRadian) / (2.0 * normalRadius(point.latitude));
}

// A cone of 800 m on a 500 m plain, 400 m in radius, in geographic degrees.
demtest::Surface geographicPeak(const GeoCoordinate& peak) {
    return [peak](double east, double north) {
        const double dx = (east - peak.longitude) * kRadian * normalRadius(peak.latitude) * std::cos(peak.latitude * kRadian);
        const double dy = (north - peak.latitude) * kRadian * meridianRadius(peak.latitude);
        return 500.0 + std::max(0.0, 800.0 - 2.0 * std::hypot(dx, dy));
    };
}

struct Sample {
    int i = 0;
    int j = 0;
    double height = 0.0;
};

Sample highestSample(const HeightField& field) {
    Sample best{0, 0, field.sample(0, 0)};
    for (int j = 0; j < field.rowCount(); ++j) {
        for (int i = 0; i < field.columnCount(); ++i) {
            if (field.sample(i, j) > best.height) {
                best = Sample{i, j, field.sample(i, j)};
            }
        }
    }
    return best;
}

// An HTTP server on the loopback interface that answers every request with
// 404 and counts them: a terrain load must never make one.
class LoopbackServer {
public:
    LoopbackServer() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 16) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port = ntohs(address.sin_port);
        serving = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        stop = true;
        if (serving.joinable()) {
            serving.join();
        }
        close(listener);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port = 0;
    std::atomic<int> requests{0};

private:
    void serve() {
        while (!stop) {
            pollfd waiting{listener, POLLIN, 0};
            if (poll(&waiting, 1, 20) <= 0) {
                continue;
            }
            const int client = accept(listener, nullptr, nullptr);
            if (client < 0) {
                continue;
            }
            ++requests;
            char request[4096];
            (void)recv(client, request, sizeof request, 0);
            const char reply[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            (void)send(client, reply, sizeof reply - 1, MSG_NOSIGNAL);
            close(client);
        }
    }

    int listener = -1;
    std::atomic<bool> stop{false};
    std::thread serving;
};

// A georeferenced VRT over one source; `lazy` declares the source's shape so
// that GDAL opens it only when the window is read.
std::string vrtOver(const std::string& source, bool lazy) {
    const std::string properties =
        lazy ? "<SourceProperties RasterXSize=\"60\" RasterYSize=\"60\" DataType=\"Float32\" BlockXSize=\"60\" "
               "BlockYSize=\"60\"/>"
             : "";
    return "<VRTDataset rasterXSize=\"60\" rasterYSize=\"60\"><SRS>EPSG:4326</SRS>"
           "<GeoTransform>7.0, 0.00083333333, 0, 46.1, 0, -0.00083333333</GeoTransform>"
           "<VRTRasterBand dataType=\"Float32\" band=\"1\"><SimpleSource>"
           "<SourceFilename relativeToVRT=\"0\">" +
           source + "</SourceFilename><SourceBand>1</SourceBand>" + properties +
           "</SimpleSource></VRTRasterBand></VRTDataset>\n";
}

class DemHeightField : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dem-height-field-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string pathOf(const std::string& name) const { return directory + "/" + name; }

    // The load must leave the folder as it found it: no side files.
    DemTerrain load(const DemRequest& request) {
        const auto before = std::distance(fs::directory_iterator(directory), fs::directory_iterator());
        DemTerrain terrain;
        {
            FloatingPointTraps traps;
            terrain = loadDemTerrain(request);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), before)
            << "loading wrote beside " << request.path;
        return terrain;
    }

    // The peak sample lies within one cell of where the peak was placed.
    static void expectPeakAt(const DemTerrain& dem, const GeoCoordinate& peak, double expectedX, double expectedY) {
        ASSERT_TRUE(dem.error.empty()) << dem.error;
        const HeightField& field = *dem.terrain;
        const Sample top = highestSample(field);
        const double x = field.gridOriginX() + top.i * field.gridSpacing();
        const double y = field.gridOriginY() + top.j * field.gridSpacing();
        EXPECT_LE(std::fabs(x - expectedX), field.gridSpacing()) << "x " << x << " vs " << expectedX;
        EXPECT_LE(std::fabs(y - expectedY), field.gridSpacing()) << "y " << y << " vs " << expectedY;
        double px = 0.0;
        double py = 0.0;
        ASSERT_TRUE(dem.projection->toLocal(peak, px, py));
        EXPECT_NEAR(px, expectedX, 0.05);
        EXPECT_NEAR(py, expectedY, 0.05);
        GeoCoordinate back;
        ASSERT_TRUE(dem.projection->toGeographic(px, py, back));
        EXPECT_NEAR(back.latitude, peak.latitude, 1e-9);
        EXPECT_NEAR(back.longitude, peak.longitude, 1e-9);
    }

    std::string directory;
};

TEST_F(DemHeightField, GeographicRasterIsLaidOnAMetricGridCentredOnTheCentre) {
    // A 0.2 degree square of one-arc-second pixels around 46.1 N 7.1 E.
    const Grid grid{720, 720, 7.0, 46.2, 1.0 / 3600.0};
    const GeoCoordinate centre{46.1, 7.1};
    const GeoCoordinate peak{46.1231, 7.0694}; // about 2.6 km north, 2.4 km west
    demtest::writeGeoTiff(pathOf("alps.tif"), grid, geographicPeak(peak));

    DemRequest request;
    request.path = pathOf("alps.tif");
    request.hasCentre = true;
    request.centre = centre;
    request.radius = 5000.0;
    request.spacing = 30.0;
    const DemTerrain dem = load(request);
    ASSERT_TRUE(dem.error.empty()) << dem.error;

    const HeightField& field = *dem.terrain;
    EXPECT_EQ(field.columnCount(), 335); // 167 cells of 30 m each side, and the centre
    EXPECT_EQ(field.rowCount(), 335);
    EXPECT_EQ(field.gridOriginX(), -167 * 30.0);
    EXPECT_EQ(field.gridOriginY(), -167 * 30.0);
    EXPECT_NEAR(dem.origin.latitude, centre.latitude, 1e-9);
    EXPECT_NEAR(dem.origin.longitude, centre.longitude, 1e-9);
    EXPECT_NEAR(field.heightAt(0.0, 0.0), 500.0, 1e-3); // the plain, not a blend with anything else

    double x = 0.0;
    double y = 0.0;
    expectedLocal(centre, peak, x, y);
    expectPeakAt(dem, peak, x, y);
    EXPECT_GT(highestSample(field).height, 1300.0 - 2.0 * 30.0); // the summit is not flattened
}

TEST_F(DemHeightField, WithoutACentreTheRastersOwnCentreIsTheOrigin) {
    const Grid grid{360, 240, 7.0, 46.2, 1.0 / 1200.0}; // 0.3 x 0.2 degrees of 3" pixels
    const GeoCoordinate peak{46.1, 7.15};
    demtest::writeGeoTiff(pathOf("middle.tif"), grid, geographicPeak(peak));
    DemRequest request;
    request.path = pathOf("middle.tif");
    request.radius = 2000.0;
    const DemTerrain dem = load(request);
    ASSERT_TRUE(dem.error.empty()) << dem.error;
    EXPECT_NEAR(dem.origin.latitude, 46.1, 1e-9);
    EXPECT_NEAR(dem.origin.longitude, 7.15, 1e-9);
    EXPECT_EQ(dem.terrain->gridSpacing(), 93.0); // 3" of latitude, to the metre
    expectPeakAt(dem, peak, 0.0, 0.0);
}

// Fiji: a raster running from 179.9 to 180.1 degrees east, centred on
// either side of the antimeridian in the Earth's own longitudes.
TEST_F(DemHeightField, ARasterAcrossTheAntimeridianIsCentredOnEitherSide) {
    const Grid grid{720, 360, 179.9, -16.9, 1.0 / 3600.0};
    demtest::writeGeoTiff(pathOf("fiji.tif"), grid, geographicPeak(GeoCoordinate{-16.95, 180.0}));
    for (const GeoCoordinate& centre : {GeoCoordinate{-16.95, -179.99}, GeoCoordinate{-16.95, 179.99}}) {
        SCOPED_TRACE(centre.longitude);
        DemRequest request;
        request.path = pathOf("fiji.tif");
        request.hasCentre = true;
        request.centre = centre;
        request.radius = 2000.0;
        request.spacing = 30.0;
        const DemTerrain dem = load(request);
        ASSERT_TRUE(dem.error.empty()) << dem.error;
        double x = 0.0;
        double y = 0.0;
        expectedLocal(centre, GeoCoordinate{-16.95, centre.longitude > 0.0 ? 180.0 : -180.0}, x, y);
        expectPeakAt(dem, GeoCoordinate{-16.95, 180.0}, x, y);
    }
}

TEST_F(DemHeightField, ProjectedRasterKeepsItsOwnPixelsAtItsOwnSpacing) {
    // UTM 32 N, 25 m pixels; the summit pixel's centre at (382512.5, 5107487.5).
    const Grid grid{400, 400, 380000.0, 5110000.0, 25.0};
    const double peakEast = 382512.5;
    const double peakNorth = 5107487.5;
    demtest::writeGeoTiff(pathOf("utm.tif"), grid,
                          [&](double east, double north) {
                              return 1000.0 + std::max(0.0, 600.0 - std::hypot(east - peakEast, north - peakNorth));
                          },
                          demtest::GeoTiffOptions{32632});
    GeoCoordinate peak;
    demtest::utm32ToGeographic(peakEast, peakNorth, peak.latitude, peak.longitude);

    DemRequest request;
    request.path = pathOf("utm.tif");
    request.hasCentre = true;
    demtest::utm32ToGeographic(382000.0 + 3.0, 5108000.0 - 4.0, request.centre.latitude, request.centre.longitude);
    request.radius = 1500.0;
    const DemTerrain dem = load(request);
    ASSERT_TRUE(dem.error.empty()) << dem.error;
    const HeightField& field = *dem.terrain;
    EXPECT_EQ(field.gridSpacing(), 25.0);
    // The origin moved to the nearest pixel centre, (382012.5, 5107987.5):
    // the summit is 500 m east and 500 m south of it, on a sample, unblended.
    EXPECT_NEAR(dem.projection->eastingOf(0.0), 382012.5, 1e-6);
    EXPECT_NEAR(dem.projection->northingOf(0.0), 5107987.5, 1e-6);
    const Sample top = highestSample(field);
    EXPECT_EQ(top.height, 1600.0);
    EXPECT_EQ(field.gridOriginX() + top.i * 25.0, 500.0);
    EXPECT_EQ(field.gridOriginY() + top.j * 25.0, -500.0);
    expectPeakAt(dem, peak, 500.0, -500.0);

    // Resampled to 40 m, the summit is still found within a cell.
    request.spacing = 40.0;
    const DemTerrain coarse = load(request);
    ASSERT_TRUE(coarse.error.empty()) << coarse.error;
    EXPECT_EQ(coarse.terrain->gridSpacing(), 40.0);
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(coarse.projection->toLocal(peak, x, y));
    EXPECT_NEAR(x, peakEast - coarse.projection->eastingOf(0.0), 1e-6);
    expectPeakAt(coarse, peak, x, y);
}

TEST_F(DemHeightField, SrtmTileVoidsAreFilledFromTheirNeighboursNeverPits) {
    // A 3" tile whose heights rise 1 m per column eastwards from 1000 m, with
    // a void of 40 x 40 cells (the SRTM marker -32768) around its middle.
    const std::string path = pathOf("N46E007.hgt");
    demtest::writeHgt(path, 1201, [](int column, int line) {
        const bool hole = std::abs(column - 600) < 20 && std::abs(line - 600) < 20;
        return static_cast<std::int16_t>(hole ? -32768 : 1000 + column);
    });
    DemRequest request;
    request.path = path;
    request.hasCentre = true;
    request.centre = GeoCoordinate{46.5, 7.5};
    request.radius = 3000.0;
    request.spacing = 50.0;
    const DemTerrain dem = load(request);
    ASSERT_TRUE(dem.error.empty()) << dem.error;
    const HeightField& field = *dem.terrain;
    EXPECT_GE(field.lowest(), 1000.0 + 600 - 60);
    EXPECT_LE(field.highest(), 1000.0 + 600 + 60);
    EXPECT_NEAR(field.heightAt(0.0, 0.0), 1600.0, 21.0); // inside the void, between its rims

    // With a fill height, the void is that height instead.
    request.fillWithHeight = true;
    request.fillHeight = 1234.0;
    const DemTerrain filled = load(request);
    ASSERT_TRUE(filled.error.empty()) << filled.error;
    EXPECT_EQ(filled.terrain->heightAt(0.0, 0.0), 1234.0);
}

TEST_F(DemHeightField, AsciiGridWithItsPrjIsRead) {
    const Grid grid{120, 120, 6.9, 45.6, 1.0 / 1200.0};
    const GeoCoordinate peak{45.56, 6.95};
    demtest::writeAsciiGrid(pathOf("site.asc"), grid, geographicPeak(peak), true);
    DemRequest request;
    request.path = pathOf("site.asc");
    request.hasCentre = true;
    request.centre = GeoCoordinate{45.55, 6.95};
    request.radius = 2000.0;
    request.spacing = 60.0;
    double x = 0.0;
    double y = 0.0;
    expectedLocal(request.centre, peak, x, y);
    expectPeakAt(load(request), peak, x, y);
}

TEST_F(DemHeightField, AContinentSizedRasterIsReadOnlyInsideTheWindow) {
    // 400 000 x 200 000 one-arc-second pixels (160 GB as floats), stored
    // sparse: only the window's few tiles are ever read. Absent tiles read
    // as zero, sea level.
    const Grid grid{400000, 200000, -50.0, 60.0, 1.0 / 3600.0};
    demtest::GeoTiffOptions options;
    options.tiledSparse = true;
    demtest::writeGeoTiff(pathOf("continent.tif"), grid, {}, options);
    DemRequest request;
    request.path = pathOf("continent.tif");
    request.hasCentre = true;
    request.centre = GeoCoordinate{40.0, 0.0};
    request.radius = 2000.0;
    request.spacing = 30.0;
    const DemTerrain dem = load(request);
    ASSERT_TRUE(dem.error.empty()) << dem.error;
    EXPECT_EQ(dem.terrain->lowest(), 0.0);
    EXPECT_EQ(dem.terrain->highest(), 0.0);
}

TEST_F(DemHeightField, ACoarseSpacingReadsFromTheOverviewsAFineOneFromTheFullRaster) {
    // Overviews made from a 700 m plain; the full-resolution raster then
    // lowered to 100 m.
    const std::string path = pathOf("pyramid.tif");
    demtest::writeGeoTiff(path, Grid{1024, 1024, 7.0, 46.3, 1.0 / 3600.0}, [](double, double) { return 700.0; });
    demtest::addStaleOverviews(path, 100.0);
    DemRequest request;
    request.path = path;
    request.radius = 6000.0;
    request.spacing = 500.0; // about 16 pixels north-south, 23 east-west
    const DemTerrain coarse = load(request);
    ASSERT_TRUE(coarse.error.empty()) << coarse.error;
    EXPECT_EQ(coarse.terrain->lowest(), 700.0);
    EXPECT_EQ(coarse.terrain->highest(), 700.0);

    request.spacing = 30.0;
    const DemTerrain fine = load(request);
    ASSERT_TRUE(fine.error.empty()) << fine.error;
    EXPECT_EQ(fine.terrain->lowest(), 100.0);
    EXPECT_EQ(fine.terrain->highest(), 100.0);
}

// Every refusal names the file and what is wrong, on one line.
TEST_F(DemHeightField, BadInputsAreRefusedWithOneLineNamingTheFile) {
    const Grid small{60, 60, 7.0, 46.1, 1.0 / 1200.0};
    const auto flat = [](double, double) { return 700.0; };
    demtest::writeGeoTiff(pathOf("ungeoreferenced.tif"), small, flat, demtest::GeoTiffOptions{0, false});
    demtest::writeGeoTiff(pathOf("nosystem.tif"), small, flat, demtest::GeoTiffOptions{0, true});
    demtest::GeoTiffOptions holes;
    holes.hasNoData = true;
    holes.noData = -9999.0;
    demtest::writeGeoTiff(pathOf("empty.tif"), small, [](double, double) { return -9999.0; }, holes);
    demtest::writeGeoTiff(pathOf("fathoms.tif"), small, [](double, double) { return 1.0e6; });
    demtest::writeGeoTiff(pathOf("good.tif"), small, flat);
    demtest::writeAsciiGrid(pathOf("bare.asc"), small, flat, false);
    std::ofstream(pathOf("notes.txt")) << "not a raster\n";
    fs::create_directory(pathOf("folder.tif"));

    struct Case {
        const char* name;
        std::string file;
        GeoCoordinate centre;
        double radius;
        double spacing;
        const char* says;
    };
    const GeoCoordinate inside{46.075, 7.025};
    const Case cases[] = {
        {"missing file", "absent.tif", inside, 1000.0, 30.0, "cannot be opened (No such file or directory)"},
        {"directory", "folder.tif", inside, 1000.0, 30.0, "is not a regular file"},
        {"not a raster", "notes.txt", inside, 1000.0, 30.0, "is not a raster GDAL can read"},
        {"no geotransform", "ungeoreferenced.tif", inside, 1000.0, 30.0, "has no georeference (no geotransform"},
        {"no coordinate system", "nosystem.tif", inside, 1000.0, 30.0, "has no georeference (no coordinate system"},
        {"ASCII grid without .prj", "bare.asc", inside, 1000.0, 30.0, "has no georeference"},
        {"centre outside", "good.tif", GeoCoordinate{47.0, 7.025}, 1000.0, 30.0, "lies outside the raster (it covers"},
        {"window too large", "good.tif", inside, 100000.0, 10.0,
         "needs 20001 x 20001 samples, more than the 4096 x 4096 a terrain may hold (use a spacing of at least 48.9 m"},
        {"radius beyond the map", "good.tif", inside, 300000.0, 100.0, "radius must lie above 0 and within 250 km"},
        {"spacing too fine", "good.tif", inside, 1000.0, 0.01, "spacing must lie within 0.1 to 10000 m"},
        {"fill height beyond the Earth's", "good.tif", inside, 1000.0, 30.0,
         "the fill height must lie within -12000 to 10000 m"},
        {"all no-data", "empty.tif", inside, 1000.0, 30.0, "every cell there is no-data"},
        {"not heights in metres", "fathoms.tif", inside, 1000.0, 30.0, "not an elevation model in metres"},
    };
    for (const Case& c : cases) {
        DemRequest request;
        request.path = pathOf(c.file);
        request.hasCentre = true;
        request.centre = c.centre;
        request.radius = c.radius;
        request.spacing = c.spacing;
        request.fillWithHeight = std::string(c.name) == "fill height beyond the Earth's";
        request.fillHeight = 1e20;
        ::testing::internal::CaptureStderr();
        const DemTerrain dem = load(request);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.name << ": GDAL printed on its own";
        EXPECT_EQ(dem.terrain, nullptr) << c.name;
        EXPECT_EQ(dem.projection, nullptr) << c.name;
        EXPECT_EQ(dem.error.rfind(request.path + ": ", 0), 0U) << c.name << ": " << dem.error;
        EXPECT_NE(dem.error.find(c.says), std::string::npos) << c.name << ": " << dem.error;
        EXPECT_EQ(dem.error.find('\n'), std::string::npos) << c.name << ": " << dem.error;
    }
}

// Whatever a raster file names, at any depth and whenever GDAL would open
// it, is read from this machine or refused: no request reaches a server, not
// even a cloud store's (which would look for the user's credentials first).
TEST_F(DemHeightField, ARasterReferringToTheNetworkIsRefusedWithoutARequest) {
    LoopbackServer server;
    ASSERT_NE(server.port, 0);
    const std::string http = "http://127.0.0.1:" + std::to_string(server.port) + "/x.tif";
    // An S3 store on the same server, reachable without credentials.
    CPLSetConfigOption("AWS_S3_ENDPOINT", ("127.0.0.1:" + std::to_string(server.port)).c_str());
    CPLSetConfigOption("AWS_HTTPS", "NO");
    CPLSetConfigOption("AWS_VIRTUAL_HOSTING", "FALSE");
    CPLSetConfigOption("AWS_NO_SIGN_REQUEST", "YES");
    std::ofstream(pathOf("curl.vrt")) << vrtOver("/vsicurl/" + http, false);
    std::ofstream(pathOf("curl-lazy.vrt")) << vrtOver("/vsicurl/" + http, true);
    std::ofstream(pathOf("url.vrt")) << vrtOver(http, false);
    std::ofstream(pathOf("netcdf.vrt")) << vrtOver("NETCDF:&quot;" + http + "&quot;:z", false);
    std::ofstream(pathOf("s3.vrt")) << vrtOver("/vsis3/bucket/x.tif", false);
    std::ofstream(pathOf("zipped.vrt")) << vrtOver("/vsizip//vsicurl/" + http + ".zip/x.tif", false);
    std::ofstream(pathOf("nested.vrt")) << vrtOver(pathOf("curl.vrt"), false);
    std::ofstream(pathOf("nested-lazy.vrt")) << vrtOver(pathOf("curl-lazy.vrt"), true);

    for (const char* file : {"curl.vrt", "curl-lazy.vrt", "url.vrt", "netcdf.vrt", "s3.vrt", "zipped.vrt", "nested.vrt",
                             "nested-lazy.vrt"}) {
        DemRequest request;
        request.path = pathOf(file);
        request.radius = 500.0;
        ::testing::internal::CaptureStderr();
        const DemTerrain dem = load(request);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << file;
        EXPECT_EQ(dem.terrain, nullptr) << file;
        EXPECT_EQ(dem.error.rfind(request.path + ": refers to '", 0), 0U) << file << ": " << dem.error;
        EXPECT_NE(dem.error.find("a network or cloud path: only local files are read"), std::string::npos)
            << file << ": " << dem.error;
        EXPECT_EQ(dem.error.find('\n'), std::string::npos) << file << ": " << dem.error;
    }
    for (const char* option : {"AWS_S3_ENDPOINT", "AWS_HTTPS", "AWS_VIRTUAL_HOSTING", "AWS_NO_SIGN_REQUEST"}) {
        CPLSetConfigOption(option, nullptr);
    }
    EXPECT_EQ(server.requests.load(), 0) << "the server was asked";

    // A local VRT over a local GeoTIFF still reads.
    const Grid small{60, 60, 7.0, 46.1, 1.0 / 1200.0};
    demtest::writeGeoTiff(pathOf("local.tif"), small, [](double, double) { return 700.0; });
    std::ofstream(pathOf("local.vrt")) << vrtOver(pathOf("local.tif"), true);
    DemRequest local;
    local.path = pathOf("local.vrt");
    local.radius = 500.0;
    const DemTerrain dem = load(local);
    ASSERT_TRUE(dem.error.empty()) << dem.error;
    EXPECT_EQ(dem.terrain->highest(), 700.0);
}

} // namespace
