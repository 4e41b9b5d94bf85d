#include "terrain/DemHeightField.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <unistd.h>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "physics/SharedConstants.h"
#include "terrain/GdalLocalFiles.h"

namespace {

constexpr float kNoData = -1.0e30F;           // the window buffer's own marker
constexpr double kMetresPerFoot = 0.3048;

// GDAL's default handler prints its own lines on standard error; the loader
// reports one line of its own instead, with GDAL's last message in it.
class QuietGdalErrors {
public:
    QuietGdalErrors() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdalErrors() { CPLPopErrorHandler(); }
    QuietGdalErrors(const QuietGdalErrors&) = delete;
    QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

std::string lastGdalMessage() {
    const char* text = CPLGetLastErrorMsg();
    std::string message = text != nullptr ? text : "";
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message;
}

std::string number(double value, const char* format = "%g") {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Half the machine's physical memory.
std::uint64_t memoryBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return std::uint64_t{1} << 30;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
}

// The raster's georeference: pixel (column, line) edges to its own
// coordinates and back.
struct Georeference {
    double forward[6] = {};
    double inverse[6] = {};
    OGRSpatialReference system;

    void toPixel(double east, double north, double& column, double& line) const {
        GDALApplyGeoTransform(const_cast<double*>(inverse), east, north, &column, &line);
    }
    void toSystem(double column, double line, double& east, double& north) const {
        GDALApplyGeoTransform(const_cast<double*>(forward), column, line, &east, &north);
    }
};

// One raster's window being turned into terrain. Every failure sets `error`
// (without the file name) and returns false.
class DemWindowReader {
public:
    explicit DemWindowReader(const DemRequest& request_) : request(request_) {}

    bool read(DemTerrain& result);
    const std::string& failure() const { return error; }

private:
    bool open();
    bool chooseMap();
    bool sizeGrid();
    bool findPixelWindow();
    bool readWindow();
    bool fillNoData();
    void resample(HeightField& field) const;
    // Pixel coordinates of the local points (x[k], y) into column[] and line[].
    bool localRowToPixels(const std::vector<double>& x, double y, std::vector<double>& column,
                          std::vector<double>& line) const;
    double bufferHeight(double column, double line) const;
    std::string coverage() const;
    double nearRaster(double east) const;

    // False, after failing, when anything asked GDAL for a network or cloud path.
    bool localOnly() {
        const std::string remote = gdal_local::firstRefused();
        return remote.empty() || fail(refusal(remote));
    }
    static std::string refusal(const std::string& remote) {
        return "refers to '" + remote + "', a network or cloud path: only local files are read";
    }

    bool fail(std::string reason) {
        error = std::move(reason);
        return false;
    }

    const DemRequest& request;
    std::string error;
    Dataset dataset;
    GDALRasterBand* band = nullptr;
    int width = 0;  // raster columns
    int height = 0; // raster lines
    Georeference georeference;

    std::unique_ptr<MapProjection> projection;
    // Local map to the raster's system, for geographic rasters only.
    std::unique_ptr<OGRCoordinateTransformation> mapToRaster;

    double spacing = 0.0; // (unit: metres)
    int halfCount = 0;    // samples on each side of the centre
    int count = 0;        // samples along each axis: 2 * halfCount + 1

    // The window read: raster pixels [x0, x0 + windowWidth) x [y0, ...),
    // held as bufferWidth x bufferHeight values (fewer when decimated).
    int x0 = 0;
    int y0 = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    int bufferColumns = 0;
    int bufferLines = 0;
    std::vector<float> buffer; // (unit: metres above sea level) once read
};

bool DemWindowReader::open() {
    std::string reason;
    dataset.reset(gdal_local::openRaster(request.path, reason));
    if (!dataset) {
        return fail(reason);
    }
    width = dataset->GetRasterXSize();
    height = dataset->GetRasterYSize();
    if (dataset->GetRasterCount() < 1 || width < 1 || height < 1) {
        return fail("holds no raster band");
    }
    band = dataset->GetRasterBand(1);
    if (dataset->GetGeoTransform(georeference.forward) != CE_None) {
        return fail("has no georeference (no geotransform: where its pixels lie is unknown)");
    }
    const OGRSpatialReference* system = dataset->GetSpatialRef();
    if (system == nullptr || system->IsEmpty()) {
        return fail("has no georeference (no coordinate system; an ASCII grid needs its .prj beside it)");
    }
    georeference.system = *system;
    georeference.system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (!georeference.system.IsGeographic() && !georeference.system.IsProjected()) {
        return fail("has a coordinate system that is neither geographic nor projected");
    }
    if (!GDALInvGeoTransform(georeference.forward, georeference.inverse)) {
        return fail("has a degenerate geotransform (zero pixel size)");
    }
    return true;
}

// The raster's extent in WGS-84, for messages.
std::string DemWindowReader::coverage() const {
    OGRSpatialReference geographic;
    geographic.SetWellKnownGeogCS("WGS84");
    geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(
        OGRCreateCoordinateTransformation(&georeference.system, &geographic));
    if (!toWgs84) {
        return "";
    }
    double east[4];
    double north[4];
    const double columns[4] = {0.0, static_cast<double>(width), 0.0, static_cast<double>(width)};
    const double lines[4] = {0.0, 0.0, static_cast<double>(height), static_cast<double>(height)};
    for (int k = 0; k < 4; ++k) {
        georeference.toSystem(columns[k], lines[k], east[k], north[k]);
    }
    if (!toWgs84->Transform(4, east, north)) {
        return "";
    }
    return " (it covers latitudes " + number(*std::min_element(north, north + 4), "%.6f") + " to " +
           number(*std::max_element(north, north + 4), "%.6f") + ", longitudes " +
           number(*std::min_element(east, east + 4), "%.6f") + " to " +
           number(*std::max_element(east, east + 4), "%.6f") + ")";
}

// A longitude of a geographic raster, a whole number of turns away if that
// brings it nearest the raster's middle: a raster spanning the antimeridian
// runs past 180 degrees, where the Earth's coordinates start again at -180.
double DemWindowReader::nearRaster(double east) const {
    if (!georeference.system.IsGeographic()) {
        return east;
    }
    const double turn = 2.0 * kPi / georeference.system.GetAngularUnits(); // (unit: the raster's)
    double middleEast = 0.0;
    double middleNorth = 0.0;
    georeference.toSystem(0.5 * width, 0.5 * height, middleEast, middleNorth);
    return east + turn * std::round((middleEast - east) / turn);
}

bool DemWindowReader::chooseMap() {
    OGRSpatialReference geographic;
    geographic.SetWellKnownGeogCS("WGS84");
    geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);

    // The centre in the raster's own system.
    double east = 0.0;
    double north = 0.0;
    if (request.hasCentre) {
        std::unique_ptr<OGRCoordinateTransformation> fromWgs84(
            OGRCreateCoordinateTransformation(&geographic, &georeference.system));
        east = request.centre.longitude;
        north = request.centre.latitude;
        if (!fromWgs84 || !fromWgs84->Transform(1, &east, &north) || !std::isfinite(east) || !std::isfinite(north)) {
            return fail("the centre " + number(request.centre.latitude) + "," + number(request.centre.longitude) +
                        " cannot be placed in the raster's coordinate system" + coverage());
        }
        east = nearRaster(east);
    } else {
        georeference.toSystem(0.5 * width, 0.5 * height, east, north);
    }
    double column = 0.0;
    double line = 0.0;
    georeference.toPixel(east, north, column, line);
    if (!(column >= 0.0 && column <= width && line >= 0.0 && line <= height)) {
        return fail("the window's centre " + number(request.centre.latitude) + "," +
                    number(request.centre.longitude) + " lies outside the raster" + coverage());
    }

    OGRSpatialReference local;
    double originEast = 0.0;
    double originNorth = 0.0;
    if (georeference.system.IsGeographic()) {
        // A transverse Mercator map touching the Earth along the centre's
        // meridian, with its origin at the centre: conformal, so slopes and
        // headings keep their shape, and within 3e-5 of true scale 50 km east
        // or west. Same datum as the raster, so resampling shifts nothing.
        local.CopyGeogCSFrom(&georeference.system);
        local.SetTM(north, east, 1.0, 0.0, 0.0);
        local.SetLinearUnits(SRS_UL_METER, 1.0);
        local.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        mapToRaster.reset(OGRCreateCoordinateTransformation(&local, &georeference.system));
        if (!mapToRaster) {
            return fail("its coordinate system cannot be mapped: " + lastGdalMessage());
        }
    } else {
        local = georeference.system;
        originEast = east;
        originNorth = north;
        // At the raster's own spacing, the world origin goes to the nearest
        // pixel centre: every sample then is one of the raster's values, as
        // it is, rather than a blend of four.
        const double* g = georeference.forward;
        const bool northUp = g[2] == 0.0 && g[4] == 0.0 && std::fabs(g[1]) == std::fabs(g[5]);
        const double ownSpacing = std::fabs(g[1]) * georeference.system.GetLinearUnits();
        if (northUp && (request.spacing == 0.0 || request.spacing == ownSpacing)) {
            georeference.toSystem(std::floor(column) + 0.5, std::floor(line) + 0.5, originEast, originNorth);
        }
    }
    char* wkt = nullptr;
    local.exportToWkt(&wkt);
    const std::string text = wkt != nullptr ? wkt : "";
    CPLFree(wkt);
    std::string reason;
    projection = MapProjection::create(text, originEast, originNorth, reason);
    if (!projection) {
        return fail(reason);
    }
    return true;
}

bool DemWindowReader::sizeGrid() {
    spacing = request.spacing;
    if (spacing == 0.0) {
        // About one pixel: the north-south size of the pixel at the centre.
        const double* g = georeference.forward;
        const double pixelNorth = std::hypot(g[2], g[5]);
        if (georeference.system.IsGeographic()) {
            constexpr double kMetresPerDegreeOfLatitude = 111132.0; // within 0.5 % everywhere
            spacing = pixelNorth * kMetresPerDegreeOfLatitude;
        } else {
            spacing = pixelNorth * georeference.system.GetLinearUnits();
        }
        if (spacing >= 2.0 && georeference.system.IsGeographic()) {
            spacing = std::round(spacing);
        }
        spacing = std::clamp(spacing, kMinDemSpacing, kMaxDemSpacing);
    }
    const double half = std::ceil(request.radius / spacing - 1e-9);
    const double samples = 2.0 * std::max(half, 1.0) + 1.0;
    if (samples > kMaxDemSamplesPerAxis) {
        const double widest = 2.0 * request.radius / (kMaxDemSamplesPerAxis - 1);
        return fail("a window of radius " + number(request.radius / 1000.0) + " km at " + number(spacing) +
                    " m spacing needs " + number(samples, "%.0f") + " x " + number(samples, "%.0f") +
                    " samples, more than the " + std::to_string(kMaxDemSamplesPerAxis) + " x " +
                    std::to_string(kMaxDemSamplesPerAxis) + " a terrain may hold (use a spacing of at least " +
                    number(std::ceil(widest * 10.0) / 10.0) + " m, or a smaller radius)");
    }
    halfCount = static_cast<int>(std::max(half, 1.0));
    count = 2 * halfCount + 1;
    const std::uint64_t samplesTotal = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(count);
    if (samplesTotal * (sizeof(double) + sizeof(Vector3D) + 2 * sizeof(float)) > memoryBudget()) {
        return fail("a window of " + std::to_string(count) + " x " + std::to_string(count) +
                    " samples does not fit in half this machine's memory");
    }
    return true;
}

bool DemWindowReader::localRowToPixels(const std::vector<double>& x, double y, std::vector<double>& column,
                                       std::vector<double>& line) const {
    const std::size_t n = x.size();
    for (std::size_t k = 0; k < n; ++k) {
        column[k] = projection->eastingOf(x[k]);
        line[k] = projection->northingOf(y);
    }
    if (mapToRaster && !mapToRaster->Transform(static_cast<int>(n), column.data(), line.data())) {
        return false;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const double east = nearRaster(column[k]);
        const double north = line[k];
        if (!std::isfinite(east) || !std::isfinite(north)) {
            return false;
        }
        georeference.toPixel(east, north, column[k], line[k]);
    }
    return true;
}

bool DemWindowReader::findPixelWindow() {
    // The window's border, mapped: a square this small on a conformal map
    // has its extreme raster coordinates on its border.
    const double reach = halfCount * spacing;
    std::vector<double> x(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        x[static_cast<std::size_t>(i)] = -reach + i * spacing;
    }
    std::vector<double> column(x.size());
    std::vector<double> line(x.size());
    double low[2] = {INFINITY, INFINITY};
    double high[2] = {-INFINITY, -INFINITY};
    auto include = [&](std::size_t k) {
        low[0] = std::min(low[0], column[k]);
        high[0] = std::max(high[0], column[k]);
        low[1] = std::min(low[1], line[k]);
        high[1] = std::max(high[1], line[k]);
    };
    for (double y : {-reach, reach}) {
        if (!localRowToPixels(x, y, column, line)) {
            return fail("the window cannot be mapped onto the raster");
        }
        for (std::size_t k = 0; k < x.size(); ++k) {
            include(k);
        }
    }
    for (double edge : {-reach, reach}) {
        std::vector<double> one{edge};
        std::vector<double> c(1);
        std::vector<double> l(1);
        for (int j = 0; j < count; ++j) {
            if (!localRowToPixels(one, -reach + j * spacing, c, l)) {
                return fail("the window cannot be mapped onto the raster");
            }
            column[0] = c[0];
            line[0] = l[0];
            include(0);
        }
    }
    // Two pixels of margin for the interpolation at the border.
    const double left = std::max(std::floor(low[0]) - 2.0, 0.0);
    const double right = std::min(std::ceil(high[0]) + 2.0, static_cast<double>(width));
    const double top = std::max(std::floor(low[1]) - 2.0, 0.0);
    const double bottom = std::min(std::ceil(high[1]) + 2.0, static_cast<double>(height));
    if (!(left < right && top < bottom)) {
        return fail("the window lies outside the raster" + coverage());
    }
    x0 = static_cast<int>(left);
    y0 = static_cast<int>(top);
    windowWidth = static_cast<int>(right - left);
    windowHeight = static_cast<int>(bottom - top);

    // A source finer than the grid is read at about the grid's spacing:
    // GDAL then takes the coarsest overview that is still fine enough, and
    // the buffer never holds more than the grid (plus margins).
    const double columnsPerSample = (high[0] - low[0]) / (count - 1);
    const double linesPerSample = (high[1] - low[1]) / (count - 1);
    bufferColumns = windowWidth;
    bufferLines = windowHeight;
    if (columnsPerSample > 1.0) {
        bufferColumns = std::max(2, static_cast<int>(std::ceil(windowWidth / columnsPerSample)));
    }
    if (linesPerSample > 1.0) {
        bufferLines = std::max(2, static_cast<int>(std::ceil(windowHeight / linesPerSample)));
    }
    bufferColumns = std::min(bufferColumns, windowWidth);
    bufferLines = std::min(bufferLines, windowHeight);
    return true;
}

bool DemWindowReader::readWindow() {
    buffer.assign(static_cast<std::size_t>(bufferColumns) * static_cast<std::size_t>(bufferLines), 0.0F);
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    const bool decimated = bufferColumns < windowWidth || bufferLines < windowHeight;
    // Averaging keeps a decimated window's mean height and skips no-data.
    extra.eResampleAlg = decimated ? GRIORA_Average : GRIORA_NearestNeighbour;
    const bool readFailed = band->RasterIO(GF_Read, x0, y0, windowWidth, windowHeight, buffer.data(), bufferColumns,
                                           bufferLines, GDT_Float32, 0, 0, &extra) != CE_None;
    // Sources opened only now, when first read, are refused here.
    if (!localOnly()) {
        return false;
    }
    if (readFailed) {
        return fail("cannot be read: " + lastGdalMessage());
    }

    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    const float noDataValue = static_cast<float>(noData);
    int hasScale = 0;
    int hasOffset = 0;
    double scale = band->GetScale(&hasScale);
    const double offset = band->GetOffset(&hasOffset);
    if (!hasScale) {
        scale = 1.0;
    }
    const std::string unit = band->GetUnitType() != nullptr ? band->GetUnitType() : "";
    const double metresPerUnit = (unit == "ft" || unit == "foot" || unit == "feet") ? kMetresPerFoot : 1.0;

    std::size_t valid = 0;
    double lowest = INFINITY;
    double highest = -INFINITY;
    for (float& value : buffer) {
        if ((hasNoData && value == noDataValue) || !std::isfinite(value)) {
            value = kNoData;
            continue;
        }
        const double metres = (value * scale + (hasOffset ? offset : 0.0)) * metresPerUnit;
        lowest = std::min(lowest, metres);
        highest = std::max(highest, metres);
        value = static_cast<float>(metres);
        ++valid;
    }
    if (valid == 0) {
        return fail("holds no elevation in the window (every cell there is no-data)");
    }
    if (lowest < kLowestElevation || highest > kHighestElevation) {
        return fail("holds heights from " + number(lowest) + " to " + number(highest) +
                    " m, outside the Earth's " + number(kLowestElevation) + " to " + number(kHighestElevation) +
                    " m: not an elevation model in metres");
    }
    if (valid < buffer.size()) {
        return fillNoData();
    }
    return true;
}

bool DemWindowReader::fillNoData() {
    if (request.fillWithHeight) {
        std::replace(buffer.begin(), buffer.end(), kNoData, static_cast<float>(request.fillHeight));
        return true;
    }
    // Holes take heights interpolated from the nearest valid cells around
    // them, over any distance: a void is never a pit or a wall.
    GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
    if (memory == nullptr) {
        return fail("cannot be filled: GDAL has no in-memory driver");
    }
    Dataset holes(memory->Create("", bufferColumns, bufferLines, 1, GDT_Float32, nullptr));
    if (!holes) {
        return fail("cannot be filled: " + lastGdalMessage());
    }
    GDALRasterBand* target = holes->GetRasterBand(1);
    target->SetNoDataValue(kNoData);
    if (target->RasterIO(GF_Write, 0, 0, bufferColumns, bufferLines, buffer.data(), bufferColumns, bufferLines,
                         GDT_Float32, 0, 0, nullptr) != CE_None ||
        GDALFillNodata(GDALRasterBand::ToHandle(target), nullptr, std::max(bufferColumns, bufferLines) + 1.0, 0, 0,
                       nullptr, nullptr, nullptr) != CE_None ||
        target->RasterIO(GF_Read, 0, 0, bufferColumns, bufferLines, buffer.data(), bufferColumns, bufferLines,
                         GDT_Float32, 0, 0, nullptr) != CE_None) {
        return fail("cannot be filled: " + lastGdalMessage());
    }
    // Whatever the search did not reach takes the mean of the valid heights.
    double sum = 0.0;
    std::size_t valid = 0;
    for (float value : buffer) {
        if (value != kNoData) {
            sum += value;
            ++valid;
        }
    }
    std::replace(buffer.begin(), buffer.end(), kNoData, static_cast<float>(sum / static_cast<double>(valid)));
    return true;
}

// Bilinear between buffer values, at a raster pixel position (edges at whole
// numbers); positions beyond the buffer take its border.
double DemWindowReader::bufferHeight(double column, double line) const {
    const double scaleX = static_cast<double>(bufferColumns) / windowWidth;
    const double scaleY = static_cast<double>(bufferLines) / windowHeight;
    const double u = std::clamp((column - x0) * scaleX - 0.5, 0.0, bufferColumns - 1.0);
    const double v = std::clamp((line - y0) * scaleY - 0.5, 0.0, bufferLines - 1.0);
    const int i = std::min(static_cast<int>(u), bufferColumns - 2 < 0 ? 0 : bufferColumns - 2);
    const int j = std::min(static_cast<int>(v), bufferLines - 2 < 0 ? 0 : bufferLines - 2);
    const int i1 = std::min(i + 1, bufferColumns - 1);
    const int j1 = std::min(j + 1, bufferLines - 1);
    const double fx = u - i;
    const double fy = v - j;
    auto at = [this](int a, int b) {
        return static_cast<double>(buffer[static_cast<std::size_t>(a) + static_cast<std::size_t>(b) *
                                                                           static_cast<std::size_t>(bufferColumns)]);
    };
    const double low = (1.0 - fx) * at(i, j) + fx * at(i1, j);
    const double high = (1.0 - fx) * at(i, j1) + fx * at(i1, j1);
    return (1.0 - fy) * low + fy * high;
}

void DemWindowReader::resample(HeightField& field) const {
    const double reach = halfCount * spacing;
    std::vector<double> x(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        x[static_cast<std::size_t>(i)] = -reach + i * spacing;
    }
    std::vector<double> column(x.size());
    std::vector<double> line(x.size());
    for (int j = 0; j < count; ++j) {
        // Every point of the window was mapped once already, at its border.
        (void)localRowToPixels(x, -reach + j * spacing, column, line);
        for (int i = 0; i < count; ++i) {
            field.setSample(i, j, bufferHeight(column[static_cast<std::size_t>(i)], line[static_cast<std::size_t>(i)]));
        }
    }
}

bool DemWindowReader::read(DemTerrain& result) {
    if (!open() || !chooseMap() || !sizeGrid() || !findPixelWindow() || !readWindow()) {
        return false;
    }
    const double reach = halfCount * spacing;
    auto field = std::make_unique<HeightField>(count, count, -reach, -reach, spacing, 0.0);
    resample(*field);
    field->computeNormals();
    GeoCoordinate origin;
    if (!projection->toGeographic(0.0, 0.0, origin)) {
        return fail("the window's centre cannot be given in latitude and longitude");
    }
    result.terrain = std::move(field);
    result.projection = std::move(projection);
    result.origin = origin;
    return true;
}

} // namespace

std::string demFillHeightProblem(double height) {
    if (height >= kLowestElevation && height <= kHighestElevation) {
        return "";
    }
    return "the fill height must lie within " + number(kLowestElevation) + " to " + number(kHighestElevation) +
           " m, got " + number(height);
}

DemTerrain loadDemTerrain(const DemRequest& request) {
    gdal_local::prepare();
    gdal_local::forget();
    QuietGdalErrors quiet;
    DemTerrain result;
    std::string reason;
    if (!(request.radius > 0.0 && request.radius <= kMaxDemRadius)) {
        reason = "the window's radius must lie above 0 and within " + number(kMaxDemRadius / 1000.0) + " km";
    } else if (request.spacing != 0.0 && !(request.spacing >= kMinDemSpacing && request.spacing <= kMaxDemSpacing)) {
        reason = "the spacing must lie within " + number(kMinDemSpacing) + " to " + number(kMaxDemSpacing) + " m";
    } else if (request.fillWithHeight) {
        reason = demFillHeightProblem(request.fillHeight);
    }
    if (reason.empty()) {
        DemWindowReader reader(request);
        if (reader.read(result)) {
            return result;
        }
        reason = reader.failure();
    }
    DemTerrain failed;
    failed.error = request.path + ": " + reason;
    return failed;
}
