#pragma once

#include <string>

class GDALDataset;

// GDAL reads files named inside other files (a VRT's sources, a tile index's
// tiles, a service description's server), and would fetch them over HTTP,
// FTP or from cloud storage (looking for the user's credentials on the way)
// as readily as from the disk. The terrain only ever reads local files: these
// close every route to the network and tell when something tried one.
namespace gdal_local {

// Registers GDAL's drivers, without those that only talk to servers, and
// closes the network routes: every network or cloud path prefix (/vsicurl/,
// /vsis3/, /vsigs/, /vsiaz/, /vsiswift/, /vsiwebhdfs/, /vsioss/ and the
// streaming ones) refuses whatever it is asked, GDAL's HTTP client refuses
// every request, PROJ fetches no grids. Once per process; the first call
// does it.
void prepare();

// The first network or cloud name anything asked GDAL for since the last
// forget(), or empty. Refused names fail quietly inside GDAL (a VRT may
// even carry on without the source), so the caller asks here.
std::string firstRefused();
void forget();

// The first name in the dataset's list of files (a VRT's sources, at any
// depth, among them) that is not a local file, or empty.
std::string nonLocalFile(GDALDataset& dataset);

// True for a name GDAL would read through the network or cloud storage.
bool isNetworkName(const std::string& name);

// Opens `path` read-only as a raster: a regular file (never a device, a
// FIFO or a /vsicurl/ address), every file it names local. Null on failure,
// `reason` then saying why without the file's name ("is not a raster GDAL can
// read"); the caller closes what it gets with GDALClose. Call forget() first.
GDALDataset* openRaster(const std::string& path, std::string& reason);

} // namespace gdal_local
