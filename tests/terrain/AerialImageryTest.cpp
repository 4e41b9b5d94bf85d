#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include "terrain/AerialImagery.h"
#include "terrain/MapProjection.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

namespace fs = std::filesystem;

// The terrain's map of these tests: transverse Mercator touching the Earth
// along 7 degrees east, its origin at 46 degrees north (as an elevation
// model's window centred there has it).
std::unique_ptr<MapProjection> localMap() {
    OGRSpatialReference local;
    local.SetWellKnownGeogCS("WGS84");
    local.SetTM(46.0, 7.0, 1.0, 0.0, 0.0);
    char* wkt = nullptr;
    local.exportToWkt(&wkt);
    std::string reason;
    auto map = MapProjection::create(wkt, 0.0, 0.0, reason);
    CPLFree(wkt);
    return map;
}

// A raster in UTM zone 32 north: `value(band, easting, northing)` at pixel
// centres, `size` pixels of `pixel` metres a side centred on (east, north).
struct Raster {
    int bands = 3;
    GDALDataType type = GDT_Byte;
    std::vector<GDALColorInterp> colours; // empty: as the GeoTIFF driver sets them
    double east = 0.0;
    double north = 0.0;
    double pixel = 2.0;
    int size = 600;
    int epsg = 32632;
    bool georeferenced = true;
    std::function<double(int band, double east, double north)> value;
};

void write(const std::string& path, const Raster& r) {
    GDALAllRegister();
    GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    std::unique_ptr<GDALDataset> file(gtiff->Create(path.c_str(), r.size, r.size, r.bands, r.type, nullptr));
    ASSERT_NE(file, nullptr);
    const double west = r.east - 0.5 * r.size * r.pixel;
    const double top = r.north + 0.5 * r.size * r.pixel;
    if (r.georeferenced) {
        double geo[6] = {west, r.pixel, 0.0, top, 0.0, -r.pixel};
        file->SetGeoTransform(geo);
        OGRSpatialReference system;
        system.importFromEPSG(r.epsg);
        file->SetSpatialRef(&system);
    }
    std::vector<double> line(static_cast<std::size_t>(r.size));
    for (int b = 1; b <= r.bands; ++b) {
        GDALRasterBand* band = file->GetRasterBand(b);
        if (static_cast<std::size_t>(b) <= r.colours.size()) {
            band->SetColorInterpretation(r.colours[static_cast<std::size_t>(b - 1)]);
        }
        for (int j = 0; j < r.size; ++j) {
            for (int i = 0; i < r.size; ++i) {
                line[static_cast<std::size_t>(i)] = r.value(b, west + (i + 0.5) * r.pixel, top - (j + 0.5) * r.pixel);
            }
            ASSERT_EQ(band->RasterIO(GF_Write, 0, j, r.size, 1, line.data(), r.size, 1, GDT_Float64, 0, 0, nullptr),
                      CE_None);
        }
    }
}

// UTM zone 32 coordinates of a point of the local map.
void utmOf(const MapProjection& map, double x, double y, double& east, double& north) {
    GeoCoordinate place;
    ASSERT_TRUE(map.toGeographic(x, y, place));
    OGRSpatialReference wgs;
    wgs.SetWellKnownGeogCS("WGS84");
    wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRSpatialReference utm;
    utm.importFromEPSG(32632);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> to(OGRCreateCoordinateTransformation(&wgs, &utm));
    east = place.longitude;
    north = place.latitude;
    ASSERT_TRUE(to->Transform(1, &east, &north));
}

class AerialImageryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/aerial-imagery-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        map = localMap();
        ASSERT_NE(map, nullptr);
        utmOf(*map, 0.0, 0.0, originEast, originNorth);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string pathOf(const std::string& name) const { return directory + "/" + name; }

    // Over the local square of +-`reach` metres; the folder must be left as found.
    AerialImagery load(const std::string& name, double reach = 1000.0) {
        ImageryRequest request;
        request.path = pathOf(name);
        request.west = -reach;
        request.south = -reach;
        request.east = reach;
        request.north = reach;
        const auto before = std::distance(fs::directory_iterator(directory), fs::directory_iterator());
        AerialImagery imagery;
        {
            FloatingPointTraps traps;
            imagery = loadAerialImagery(request, *map);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), before);
        return imagery;
    }

    // The texel over local (x, y) of a load over +-reach.
    static const std::uint8_t* texelAt(const AerialImagery& imagery, double x, double y, double reach = 1000.0) {
        const int i = static_cast<int>((x + reach) / (2.0 * reach) * imagery.columns);
        const int j = static_cast<int>((y + reach) / (2.0 * reach) * imagery.rows);
        return imagery.rgba.data() + (static_cast<std::size_t>(j) * static_cast<std::size_t>(imagery.columns) +
                                      static_cast<std::size_t>(i)) * 4;
    }

    std::string directory;
    std::unique_ptr<MapProjection> map;
    double originEast = 0.0;
    double originNorth = 0.0;
};

TEST_F(AerialImageryTest, GreyWideAndManyBandRastersGiveColoursWhereTheyLieAndNothingBeyond) {
    // Every raster, in UTM, 3 km a side about the local origin: west of it
    // one colour, east another. The terrain is 4 km a side.
    const auto halves = [this](double west, double east) {
        return [this, west, east](double e) { return e < originEast ? west : east; };
    };
    struct Case {
        const char* name;
        int bands;
        GDALDataType type;
        std::vector<GDALColorInterp> colours;
        std::function<double(int band, double east)> value;
        std::uint8_t west[4]; // the texels expected either side
        std::uint8_t east[4];
    };
    const auto grey = halves(100.0, 200.0);
    const auto alpha = halves(0.0, 255.0);
    const Case cases[] = {
        {"grey", 1, GDT_Byte, {}, [&](int, double e) { return grey(e); }, {100, 100, 100, 255}, {200, 200, 200, 255}},
        // 16-bit reflectances: blue-ish west, red-ish east, stretched to 0..255.
        {"16-bit", 3, GDT_UInt16, {},
         [&](int band, double e) { return (e < originEast ? 1000.0 * band : 1000.0 * (4 - band)); },
         {0, 128, 255, 255}, {255, 128, 0, 255}},
        {"alpha", 4, GDT_Byte, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand},
         [&](int band, double e) { return band == 4 ? alpha(e) : 60.0 * band; }, {0, 0, 0, 0}, {60, 120, 180, 255}},
        // A satellite stack: colours in bands 4 (red), 3 (green), 2 (blue).
        {"many bands", 6, GDT_Byte,
         {GCI_Undefined, GCI_BlueBand, GCI_GreenBand, GCI_RedBand, GCI_Undefined, GCI_Undefined},
         [&](int band, double) { return 10.0 * band; }, {40, 30, 20, 255}, {40, 30, 20, 255}},
    };
    for (const Case& c : cases) {
        Raster r;
        r.bands = c.bands;
        r.type = c.type;
        r.colours = c.colours;
        r.east = originEast;
        r.north = originNorth;
        r.pixel = 10.0;
        r.size = 300;
        r.value = [&](int band, double e, double) { return c.value(band, e); };
        write(pathOf(std::string(c.name) + ".tif"), r);
        const AerialImagery imagery = load(std::string(c.name) + ".tif", 2000.0);
        ASSERT_EQ(imagery.error, "") << c.name;
        EXPECT_EQ(imagery.columns, 400) << c.name; // the raster's own 10 m
        const std::uint8_t* west = texelAt(imagery, -500.0, 0.0, 2000.0);
        const std::uint8_t* east = texelAt(imagery, 500.0, 0.0, 2000.0);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(west[k], c.west[k], 2) << c.name << " west, channel " << k;
            EXPECT_NEAR(east[k], c.east[k], 2) << c.name << " east, channel " << k;
        }
        // Beyond the raster's edge nothing is covered.
        for (const auto& [x, y] : {std::pair{-1900.0, 0.0}, {0.0, 1900.0}}) {
            EXPECT_EQ(texelAt(imagery, x, y, 2000.0)[3], 0) << c.name << " at " << x << "," << y;
        }
    }
}

TEST_F(AerialImageryTest, BadFilesAreRefusedWithOneLineNamingTheFile) {
    const auto plain = [](int, double, double) { return 100.0; };
    Raster r;
    r.value = plain;
    r.east = originEast;
    r.north = originNorth;
    r.georeferenced = false;
    write(pathOf("bare.tif"), r);
    r.georeferenced = true;
    r.east = 900000.0; // 400 km east, in the next zone's place
    write(pathOf("elsewhere.tif"), r);
    r.east = originEast;
    r.bands = 2;
    write(pathOf("two.tif"), r);
    r.bands = 5;
    write(pathOf("five.tif"), r);
    std::ofstream(pathOf("notes.txt")) << "not a raster\n";
    std::ofstream(pathOf("remote.vrt"))
        << "<VRTDataset rasterXSize=\"10\" rasterYSize=\"10\"><VRTRasterBand dataType=\"Byte\" band=\"1\">"
           "<SimpleSource><SourceFilename>/vsicurl/http://127.0.0.1:9/x.tif</SourceFilename>"
           "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>\n";
    struct Case {
        const char* file;
        const char* says;
    };
    const Case cases[] = {
        {"absent.tif", "cannot be opened (No such file or directory)"},
        {"notes.txt", "is not a raster GDAL can read"},
        {"remote.vrt", "a network or cloud path: only local files are read"},
        {"bare.tif", "has no georeference"},
        {"elsewhere.tif", "does not overlap the terrain (it covers latitudes"},
        {"two.tif", "has 2 bands, none marked red, green and blue"},
        {"five.tif", "has 5 bands, none marked red, green and blue"},
    };
    for (const Case& c : cases) {
        ::testing::internal::CaptureStderr();
        const AerialImagery imagery = load(c.file);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.file << ": GDAL printed on its own";
        EXPECT_TRUE(imagery.rgba.empty()) << c.file;
        EXPECT_EQ(imagery.error.rfind(pathOf(c.file) + ": ", 0), 0U) << imagery.error;
        EXPECT_NE(imagery.error.find(c.says), std::string::npos) << imagery.error;
        EXPECT_EQ(imagery.error.find('\n'), std::string::npos) << imagery.error;
    }
}

} // namespace
