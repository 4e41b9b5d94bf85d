#include "terrain/AerialImagery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <gdal_vrt.h>
#include <ogr_spatialref.h>

#include "terrain/GdalLocalFiles.h"
#include "terrain/MapProjection.h"

namespace {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// GDAL's own lines on standard error give way to the loader's one line.
struct QuietErrors {
    QuietErrors() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietErrors() { CPLPopErrorHandler(); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
};

std::string lastGdalMessage() {
    const char* text = CPLGetLastErrorMsg();
    std::string message = text != nullptr && *text != '\0' ? text : "no reason given";
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message;
}

std::string number(double value, const char* format = "%.6f") {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

OGRSpatialReference wgs84() {
    OGRSpatialReference system;
    system.SetWellKnownGeogCS("WGS84");
    system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return system;
}

// Lowest and highest latitude and longitude of points, for messages.
std::string span(const std::vector<double>& latitudes, const std::vector<double>& longitudes) {
    if (latitudes.empty()) {
        return "";
    }
    return "latitudes " + number(*std::min_element(latitudes.begin(), latitudes.end())) + " to " +
           number(*std::max_element(latitudes.begin(), latitudes.end())) + ", longitudes " +
           number(*std::min_element(longitudes.begin(), longitudes.end())) + " to " +
           number(*std::max_element(longitudes.begin(), longitudes.end()));
}

// The bands that give red, green and blue (one band three times for grey)
// and the coverage (0: none), in the raster's numbering from 1.
struct BandChoice {
    int colour[3] = {0, 0, 0};
    int alpha = 0;
};

class ImageryReader {
public:
    ImageryReader(const ImageryRequest& request_, const MapProjection& map_) : request(request_), map(map_) {}

    bool read(AerialImagery& result);
    const std::string& failure() const { return error; }

private:
    bool open();
    bool chooseBands();
    bool checkOverlap();
    bool warp();
    bool fill(AerialImagery& result);
    std::string rasterCoverage() const;

    bool fail(std::string reason) {
        error = std::move(reason);
        return false;
    }

    const ImageryRequest& request;
    const MapProjection& map;
    std::string error;
    Dataset source;
    Dataset selection; // the chosen bands alone, when the raster has others
    Dataset warped;
    double geoTransform[6] = {};
    OGRSpatialReference system;
    BandChoice bands;
    bool eightBit = true;
    int columns = 0;
    int rows = 0;
};

bool ImageryReader::open() {
    std::string reason;
    source.reset(gdal_local::openRaster(request.path, reason));
    if (!source) {
        return fail(reason);
    }
    if (source->GetRasterCount() < 1 || source->GetRasterXSize() < 1 || source->GetRasterYSize() < 1) {
        return fail("holds no raster band");
    }
    if (source->GetGeoTransform(geoTransform) != CE_None) {
        return fail("has no georeference (no geotransform: where its pixels lie is unknown)");
    }
    const OGRSpatialReference* own = source->GetSpatialRef();
    if (own == nullptr || own->IsEmpty()) {
        return fail("has no georeference (no coordinate system)");
    }
    system = *own;
    system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    double inverse[6];
    if (!GDALInvGeoTransform(geoTransform, inverse)) {
        return fail("has a degenerate geotransform (zero pixel size)");
    }
    return true;
}

bool ImageryReader::chooseBands() {
    const int count = source->GetRasterCount();
    int red = 0;
    int green = 0;
    int blue = 0;
    for (int b = 1; b <= count; ++b) {
        switch (source->GetRasterBand(b)->GetColorInterpretation()) {
        case GCI_PaletteIndex:
            return fail("is a paletted raster: expand it to red, green and blue first "
                        "(gdal_translate -expand rgb)");
        case GCI_RedBand:
            red = red != 0 ? red : b;
            break;
        case GCI_GreenBand:
            green = green != 0 ? green : b;
            break;
        case GCI_BlueBand:
            blue = blue != 0 ? blue : b;
            break;
        case GCI_AlphaBand:
            bands.alpha = bands.alpha != 0 ? bands.alpha : b;
            break;
        default:
            break;
        }
    }
    const int colours = count - (bands.alpha != 0 ? 1 : 0);
    if (red != 0 && green != 0 && blue != 0) {
        bands = BandChoice{{red, green, blue}, bands.alpha};
    } else if (colours == 1) {
        const int grey = bands.alpha == 1 ? 2 : 1;
        bands = BandChoice{{grey, grey, grey}, bands.alpha};
    } else if (colours == 3 || colours == 4) {
        // Unmarked bands in the usual order; a fourth one unmarked is the
        // near infrared of many orthophotos, and left out.
        bands = BandChoice{{1, 2, 3}, bands.alpha};
    } else {
        return fail("has " + std::to_string(count) +
                    " bands, none marked red, green and blue: imagery is 1 band (grey), 3 (red, green, "
                    "blue) or 4 (red, green, blue and alpha or near infrared)");
    }
    for (int k = 0; k < 3; ++k) {
        if (bands.colour[k] == bands.alpha) {
            return fail("marks the same band as a colour and as transparency");
        }
    }
    const GDALDataType type = source->GetRasterBand(bands.colour[0])->GetRasterDataType();
    eightBit = type == GDT_Byte;
    if (GDALDataTypeIsComplex(type)) {
        return fail("holds complex numbers, not colours");
    }

    // The warp reads every band it is given: a raster of many bands (a
    // satellite product's) is narrowed to the chosen ones first, alpha last
    // where the warp looks for it.
    if (count <= 4) {
        return true;
    }
    Dataset narrowed(GDALDataset::FromHandle(VRTCreate(source->GetRasterXSize(), source->GetRasterYSize())));
    if (!narrowed) {
        return fail("cannot be read: " + lastGdalMessage());
    }
    narrowed->SetGeoTransform(geoTransform);
    narrowed->SetSpatialRef(&system);
    std::vector<int> chosen{bands.colour[0], bands.colour[1], bands.colour[2]};
    if (bands.alpha != 0) {
        chosen.push_back(bands.alpha);
    }
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        GDALRasterBand* from = source->GetRasterBand(chosen[k]);
        VRTAddBand(GDALDataset::ToHandle(narrowed.get()), from->GetRasterDataType(), nullptr);
        GDALRasterBand* to = narrowed->GetRasterBand(static_cast<int>(k) + 1);
        int hasNoData = 0;
        const double noData = from->GetNoDataValue(&hasNoData);
        if (hasNoData) {
            to->SetNoDataValue(noData);
        }
        to->SetColorInterpretation(chosen[k] == bands.alpha ? GCI_AlphaBand : GCI_Undefined);
        VRTAddSimpleSource(static_cast<VRTSourcedRasterBandH>(GDALRasterBand::ToHandle(to)),
                           GDALRasterBand::ToHandle(from), 0, 0, source->GetRasterXSize(),
                           source->GetRasterYSize(), 0, 0, source->GetRasterXSize(), source->GetRasterYSize(),
                           nullptr, VRT_NODATA_UNSET);
    }
    bands = BandChoice{{1, 2, 3}, bands.alpha != 0 ? 4 : 0};
    selection = std::move(narrowed);
    return true;
}

// The raster's extent in WGS-84, for messages.
std::string ImageryReader::rasterCoverage() const {
    const OGRSpatialReference geographic = wgs84();
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(OGRCreateCoordinateTransformation(&system, &geographic));
    if (!toWgs84) {
        return "";
    }
    std::vector<double> east;
    std::vector<double> north;
    for (double column : {0.0, static_cast<double>(source->GetRasterXSize())}) {
        for (double line : {0.0, static_cast<double>(source->GetRasterYSize())}) {
            double e = 0.0;
            double n = 0.0;
            GDALApplyGeoTransform(const_cast<double*>(geoTransform), column, line, &e, &n);
            if (toWgs84->Transform(1, &e, &n) && std::isfinite(e) && std::isfinite(n)) {
                east.push_back(e);
                north.push_back(n);
            }
        }
    }
    return span(north, east);
}

// The terrain's border, mapped into the raster's pixels: no texel can come
// from the raster unless the two meet. A border point the raster's system
// cannot hold (the far side of the Earth) is left out.
bool ImageryReader::checkOverlap() {
    OGRSpatialReference local;
    local.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    local.importFromWkt(map.projectedWkt().c_str());
    std::unique_ptr<OGRCoordinateTransformation> toRaster(OGRCreateCoordinateTransformation(&local, &system));
    if (!toRaster) {
        return fail("its coordinate system cannot be mapped onto the terrain's: " + lastGdalMessage());
    }
    double inverse[6];
    if (!GDALInvGeoTransform(geoTransform, inverse)) {
        return fail("has a degenerate geotransform (zero pixel size)");
    }
    constexpr int kPointsPerSide = 16;
    double low[2] = {INFINITY, INFINITY};
    double high[2] = {-INFINITY, -INFINITY};
    std::vector<double> latitudes;
    std::vector<double> longitudes;
    for (int side = 0; side < 4; ++side) {
        for (int k = 0; k < kPointsPerSide; ++k) {
            const double t = static_cast<double>(k) / kPointsPerSide;
            const double x = side == 0 ? request.west + t * (request.east - request.west)
                                       : (side == 2 ? request.east - t * (request.east - request.west)
                                                    : (side == 1 ? request.east : request.west));
            const double y = side == 1 ? request.south + t * (request.north - request.south)
                                       : (side == 3 ? request.north - t * (request.north - request.south)
                                                    : (side == 0 ? request.south : request.north));
            GeoCoordinate place;
            if (map.toGeographic(x, y, place)) {
                latitudes.push_back(place.latitude);
                longitudes.push_back(place.longitude);
            }
            double e = map.eastingOf(x);
            double n = map.northingOf(y);
            if (!toRaster->Transform(1, &e, &n) || !std::isfinite(e) || !std::isfinite(n)) {
                continue;
            }
            double column = 0.0;
            double line = 0.0;
            GDALApplyGeoTransform(inverse, e, n, &column, &line);
            low[0] = std::min(low[0], column);
            high[0] = std::max(high[0], column);
            low[1] = std::min(low[1], line);
            high[1] = std::max(high[1], line);
        }
    }
    const bool meet = low[0] < source->GetRasterXSize() && high[0] > 0.0 && low[1] < source->GetRasterYSize() &&
                      high[1] > 0.0;
    if (!meet) {
        return fail("does not overlap the terrain (it covers " + rasterCoverage() + "; the terrain " +
                    span(latitudes, longitudes) + ")");
    }
    return true;
}

bool ImageryReader::warp() {
    // About the raster's own pixel, north to south, in metres.
    const double pixel = std::hypot(geoTransform[2], geoTransform[5]);
    constexpr double kMetresPerDegreeOfLatitude = 111132.0; // within 0.5 % everywhere
    const double metres = pixel * (system.IsGeographic() ? kMetresPerDegreeOfLatitude : system.GetLinearUnits());
    const auto texels = [&](double extent) {
        const double wanted = metres > 0.0 && std::isfinite(metres) ? std::ceil(extent / metres) : request.maxTexels;
        const int most = std::max(request.maxTexels, 1);
        return static_cast<int>(
            std::clamp(wanted, static_cast<double>(std::clamp(request.minTexels, 1, most)), static_cast<double>(most)));
    };
    columns = texels(request.east - request.west);
    rows = texels(request.north - request.south);
    const double texel = std::min((request.east - request.west) / columns, (request.north - request.south) / rows);

    const auto text = [](double value) { return number(value, "%.17g"); };
    CPLStringList arguments;
    for (const std::string& argument :
         {std::string("-of"), std::string("MEM"), std::string("-t_srs"), map.projectedWkt(), std::string("-te"),
          text(map.eastingOf(request.west)), text(map.northingOf(request.south)), text(map.eastingOf(request.east)),
          text(map.northingOf(request.north)), std::string("-ts"), std::to_string(columns), std::to_string(rows),
          // Averaging where several pixels fall in a texel keeps fine
          // detail from shimmering; bilinear where the raster is coarser.
          std::string("-r"), std::string(metres < texel ? "average" : "bilinear"), std::string("-dstalpha"),
          std::string("-ot"), std::string(eightBit ? "Byte" : "Float32"), std::string("-wm"), std::string("256")}) {
        arguments.AddString(argument.c_str());
    }
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(arguments.List(), nullptr);
    if (options == nullptr) {
        return fail("cannot be resampled: " + lastGdalMessage());
    }
    GDALDatasetH input = GDALDataset::ToHandle(selection ? selection.get() : source.get());
    int usageError = 0;
    warped.reset(GDALDataset::FromHandle(GDALWarp("", nullptr, 1, &input, options, &usageError)));
    GDALWarpAppOptionsFree(options);
    // Sources opened only now, when first read, are refused here.
    if (const std::string remote = gdal_local::firstRefused(); !remote.empty()) {
        return fail("refers to '" + remote + "', a network or cloud path: only local files are read");
    }
    if (!warped) {
        return fail("cannot be resampled onto the terrain: " + lastGdalMessage());
    }
    return true;
}

bool ImageryReader::fill(AerialImagery& result) {
    const int coverageBand = warped->GetRasterCount(); // the warp's own alpha, last
    const std::size_t width = static_cast<std::size_t>(columns);
    std::vector<std::uint8_t> rgba(width * static_cast<std::size_t>(rows) * 4, 0);
    std::vector<float> line(width);
    std::vector<std::uint8_t> covered(width);
    // Row `line` of the warp (north first) is row rows-1-line of the result.
    const auto readCoverage = [&](int lineNumber) {
        return warped->GetRasterBand(coverageBand)
                   ->RasterIO(GF_Read, 0, lineNumber, columns, 1, covered.data(), columns, 1, GDT_Byte, 0, 0,
                              nullptr) == CE_None;
    };
    const auto readValues = [&](int band, int lineNumber) {
        return warped->GetRasterBand(band)->RasterIO(GF_Read, 0, lineNumber, columns, 1, line.data(), columns, 1,
                                                     GDT_Float32, 0, 0, nullptr) == CE_None;
    };

    // Wider samples are stretched: the 2nd to the 98th percentile of every
    // colour together over what is covered becomes 0 to 255.
    double low = 0.0;
    double high = 255.0;
    if (!eightBit) {
        double least = INFINITY;
        double most = -INFINITY;
        for (int pass = 0; pass < 2; ++pass) {
            constexpr int kBins = 4096;
            std::vector<std::uint64_t> histogram(pass == 1 ? kBins : 0, 0);
            std::uint64_t total = 0;
            for (int j = 0; j < rows; ++j) {
                if (!readCoverage(j)) {
                    return fail("cannot be read: " + lastGdalMessage());
                }
                for (int k = 0; k < 3; ++k) {
                    if (!readValues(bands.colour[k], j)) {
                        return fail("cannot be read: " + lastGdalMessage());
                    }
                    for (std::size_t i = 0; i < width; ++i) {
                        if (covered[i] == 0 || !std::isfinite(line[i])) {
                            continue;
                        }
                        if (pass == 0) {
                            least = std::min(least, static_cast<double>(line[i]));
                            most = std::max(most, static_cast<double>(line[i]));
                        } else {
                            const double at = (line[i] - least) / std::max(most - least, 1e-30) * (kBins - 1);
                            ++histogram[static_cast<std::size_t>(std::clamp(at, 0.0, kBins - 1.0))];
                            ++total;
                        }
                    }
                }
            }
            if (pass == 0 && !(least <= most)) {
                break; // nothing covered: refused below
            }
            if (pass == 1) {
                const auto percentile = [&](double fraction) {
                    std::uint64_t sum = 0;
                    for (int b = 0; b < kBins; ++b) {
                        sum += histogram[static_cast<std::size_t>(b)];
                        if (static_cast<double>(sum) >= fraction * static_cast<double>(total)) {
                            return least + (most - least) * b / (kBins - 1);
                        }
                    }
                    return most;
                };
                low = percentile(0.02);
                high = percentile(0.98);
                if (!(high > low)) {
                    high = low + 1.0;
                }
            }
        }
    }

    std::size_t coveredTexels = 0;
    for (int j = 0; j < rows; ++j) {
        if (!readCoverage(j)) {
            return fail("cannot be read: " + lastGdalMessage());
        }
        std::uint8_t* row = rgba.data() + static_cast<std::size_t>(rows - 1 - j) * width * 4;
        for (int k = 0; k < 3; ++k) {
            if (!readValues(bands.colour[k], j)) {
                return fail("cannot be read: " + lastGdalMessage());
            }
            for (std::size_t i = 0; i < width; ++i) {
                const double value = std::isfinite(line[i]) ? (line[i] - low) / (high - low) * 255.0 : 0.0;
                row[i * 4 + static_cast<std::size_t>(k)] =
                    static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            }
        }
        for (std::size_t i = 0; i < width; ++i) {
            row[i * 4 + 3] = covered[i];
            coveredTexels += covered[i] != 0 ? 1 : 0;
        }
    }
    if (coveredTexels == 0) {
        return fail("holds nothing over the terrain (every pixel there is no-data or transparent)");
    }
    result.columns = columns;
    result.rows = rows;
    result.west = request.west;
    result.south = request.south;
    result.east = request.east;
    result.north = request.north;
    result.rgba = std::move(rgba);
    return true;
}

bool ImageryReader::read(AerialImagery& result) {
    return open() && chooseBands() && checkOverlap() && warp() && fill(result);
}

} // namespace

AerialImagery loadAerialImagery(const ImageryRequest& request, const MapProjection& map) {
    gdal_local::prepare();
    gdal_local::forget();
    QuietErrors quiet;
    AerialImagery result;
    if (!(request.east > request.west && request.north > request.south)) {
        result.error = request.path + ": the terrain's extent is empty";
        return result;
    }
    ImageryReader reader(request, map);
    if (reader.read(result)) {
        return result;
    }
    AerialImagery failed;
    failed.error = request.path + ": " + reader.failure();
    return failed;
}
