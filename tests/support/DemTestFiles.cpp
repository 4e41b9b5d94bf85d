#include "tests/support/DemTestFiles.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

namespace demtest {

namespace {

void prepare() {
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
}

std::string wktOf(int epsg, bool esri) {
    OGRSpatialReference system;
    system.importFromEPSG(epsg);
    if (esri) {
        system.morphToESRI();
    }
    char* text = nullptr;
    system.exportToWkt(&text);
    std::string wkt = text;
    CPLFree(text);
    return wkt;
}

} // namespace

void writeGeoTiff(const std::string& path, const Grid& grid, const Surface& surface, const GeoTiffOptions& options) {
    prepare();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    char** creation = nullptr;
    if (options.tiledSparse) {
        creation = CSLSetNameValue(creation, "TILED", "YES");
        creation = CSLSetNameValue(creation, "SPARSE_OK", "TRUE");
    }
    GDALDataset* dataset = driver->Create(path.c_str(), grid.columns, grid.rows, 1, GDT_Float32, creation);
    CSLDestroy(creation);
    if (dataset == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    if (options.geotransform) {
        double transform[6] = {grid.west, grid.pixel, 0.0, grid.north, 0.0, -grid.pixel};
        dataset->SetGeoTransform(transform);
    }
    if (options.epsg != 0) {
        dataset->SetProjection(wktOf(options.epsg, false).c_str());
    }
    GDALRasterBand* band = dataset->GetRasterBand(1);
    if (options.hasNoData) {
        band->SetNoDataValue(options.noData);
    }
    if (!options.tiledSparse) {
        std::vector<float> line(static_cast<std::size_t>(grid.columns));
        for (int j = 0; j < grid.rows; ++j) {
            const double north = grid.north - (j + 0.5) * grid.pixel;
            for (int i = 0; i < grid.columns; ++i) {
                line[static_cast<std::size_t>(i)] = static_cast<float>(surface(grid.west + (i + 0.5) * grid.pixel, north));
            }
            if (band->RasterIO(GF_Write, 0, j, grid.columns, 1, line.data(), grid.columns, 1, GDT_Float32, 0, 0,
                               nullptr) != CE_None) {
                throw std::runtime_error("cannot write " + path);
            }
        }
    }
    GDALClose(dataset);
}

void addStaleOverviews(const std::string& path, double height) {
    prepare();
    GDALDataset* dataset = GDALDataset::FromHandle(GDALOpen(path.c_str(), GA_Update));
    if (dataset == nullptr) {
        throw std::runtime_error("cannot open " + path);
    }
    int levels[4] = {2, 4, 8, 16};
    if (dataset->BuildOverviews("AVERAGE", 4, levels, 0, nullptr, nullptr, nullptr) != CE_None) {
        throw std::runtime_error("cannot build overviews of " + path);
    }
    const int columns = dataset->GetRasterXSize();
    const int rows = dataset->GetRasterYSize();
    std::vector<float> line(static_cast<std::size_t>(columns), static_cast<float>(height));
    for (int j = 0; j < rows; ++j) {
        if (dataset->GetRasterBand(1)->RasterIO(GF_Write, 0, j, columns, 1, line.data(), columns, 1, GDT_Float32, 0,
                                                0, nullptr) != CE_None) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    GDALClose(dataset);
}

void writeHgt(const std::string& path, int size, const std::function<std::int16_t(int, int)>& height) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 2);
    std::size_t k = 0;
    for (int line = 0; line < size; ++line) {
        for (int column = 0; column < size; ++column) {
            const auto value = static_cast<std::uint16_t>(height(column, line));
            bytes[k++] = static_cast<unsigned char>(value >> 8);
            bytes[k++] = static_cast<unsigned char>(value & 0xFF);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void writeAsciiGrid(const std::string& path, const Grid& grid, const Surface& surface, bool withPrj) {
    std::ofstream out(path);
    out.precision(17);
    out << "ncols " << grid.columns << "\nnrows " << grid.rows << "\nxllcorner " << grid.west << "\nyllcorner "
        << grid.north - grid.rows * grid.pixel << "\ncellsize " << grid.pixel << "\nNODATA_value -9999\n";
    out.precision(9);
    for (int j = 0; j < grid.rows; ++j) {
        const double north = grid.north - (j + 0.5) * grid.pixel;
        for (int i = 0; i < grid.columns; ++i) {
            out << surface(grid.west + (i + 0.5) * grid.pixel, north) << (i + 1 < grid.columns ? " " : "\n");
        }
    }
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    if (withPrj) {
        const std::string prj = path.substr(0, path.rfind('.')) + ".prj";
        std::ofstream(prj) << wktOf(4326, true) << "\n";
    }
}

void utm32ToGeographic(double easting, double northing, double& latitude, double& longitude) {
    prepare();
    OGRSpatialReference utm;
    utm.importFromEPSG(32632);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRSpatialReference geographic;
    geographic.importFromEPSG(4326);
    geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> transform(OGRCreateCoordinateTransformation(&utm, &geographic));
    double x = easting;
    double y = northing;
    if (!transform || !transform->Transform(1, &x, &y)) {
        throw std::runtime_error("cannot convert from UTM");
    }
    longitude = x;
    latitude = y;
}

} // namespace demtest
