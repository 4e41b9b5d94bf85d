#include "terrain/GdalLocalFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <mutex>
#include <vector>

#include <cpl_conv.h>
#include <cpl_http.h>
#include <cpl_string.h>
#include <cpl_vsi_virtual.h>
#include <gdal_priv.h>
#include <ogr_srs_api.h>

namespace gdal_local {

namespace {

// The path prefixes that stay on this machine: memory, archives and pieces
// of other files. Every other prefix GDAL knows reaches a server (or reads
// standard input, which a terrain file has no business naming).
constexpr const char* kLocalPrefixes[] = {"/vsimem/", "/vsizip/", "/vsigzip/", "/vsitar/", "/vsisubfile/",
                                          "/vsisparse/"};

// Drivers whose only purpose is a server (map services, catalogues, a
// database over the network): dropped rather than merely fenced, since some
// reach the network through their own clients rather than GDAL's.
constexpr const char* kServerDrivers[] = {"HTTP",     "WCS",      "WMS",  "WMTS",   "DAAS",   "EEDA",
                                          "EEDAI",    "OGCAPI",   "NGW",  "STACIT", "STACTA", "PLMOSAIC",
                                          "PLSCENES", "PostGISRaster", "GEORASTER"};

std::mutex refusedLock;
std::string refused; // the first refused name since forget()

void noteRefused(const char* name) {
    const std::lock_guard<std::mutex> hold(refusedLock);
    if (refused.empty()) {
        refused = name != nullptr ? name : "";
    }
}

// Stands in for a network or cloud file system: everything fails as for a
// file that does not exist, and the name is noted.
class RefusingFilesystem final : public VSIFilesystemHandler {
public:
    using VSIFilesystemHandler::Open;

    VSIVirtualHandle* Open(const char* name, const char*, bool setError, CSLConstList) override {
        noteRefused(name);
        if (setError) {
            VSIError(VSIE_FileError, "%s: network and cloud paths are not read", name);
        }
        errno = EACCES;
        return nullptr;
    }
    int Stat(const char* name, VSIStatBufL*, int) override {
        noteRefused(name);
        errno = EACCES;
        return -1;
    }
    char** ReadDirEx(const char* name, int) override {
        noteRefused(name);
        return nullptr;
    }
};

CPLHTTPResult* refuseFetch(const char* url, CSLConstList, GDALProgressFunc, void*, CPLHTTPFetchWriteFunc, void*,
                           void*) {
    noteRefused(url);
    auto* result = static_cast<CPLHTTPResult*>(CPLCalloc(1, sizeof(CPLHTTPResult)));
    result->nStatus = 1;
    result->pszErrBuf = CPLStrdup("network access is disabled");
    return result;
}

// The first driver asked about every name: one that reaches a server (a URL,
// or a driver's name for one, as NETCDF:"http://...":z, which some libraries
// fetch with their own clients) is refused there, with an error that stops
// GDAL from asking the drivers after it.
int identifyNetworkName(GDALOpenInfo* open) {
    return isNetworkName(open->pszFilename) ? TRUE : FALSE;
}

GDALDataset* refuseNetworkName(GDALOpenInfo* open) {
    if (!isNetworkName(open->pszFilename)) {
        return nullptr;
    }
    noteRefused(open->pszFilename);
    CPLError(CE_Failure, CPLE_OpenFailed, "%s: network and cloud paths are not read", open->pszFilename);
    return nullptr;
}

// Registers the guard ahead of every other driver.
void guardDrivers(GDALDriverManager& drivers) {
    std::vector<GDALDriver*> registered;
    while (drivers.GetDriverCount() > 0) {
        GDALDriver* driver = drivers.GetDriver(0);
        drivers.DeregisterDriver(driver);
        registered.push_back(driver);
    }
    auto* guard = new GDALDriver; // owned by the manager from here on
    guard->SetDescription("LocalFilesOnly");
    guard->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    guard->SetMetadataItem(GDAL_DMD_LONGNAME, "Refuses network and cloud names");
    guard->pfnIdentify = identifyNetworkName;
    guard->pfnOpen = refuseNetworkName;
    drivers.RegisterDriver(guard);
    for (GDALDriver* driver : registered) {
        drivers.RegisterDriver(driver);
    }
}

bool isLocalPrefix(const std::string& prefix) {
    for (const char* local : kLocalPrefixes) {
        if (prefix == local) {
            return true;
        }
    }
    return false;
}

} // namespace

void prepare() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        GDALDriverManager* drivers = GetGDALDriverManager();
        for (const char* name : kServerDrivers) {
            if (GDALDriver* driver = drivers->GetDriverByName(name)) {
                drivers->DeregisterDriver(driver);
                delete driver;
            }
        }
        char** prefixes = VSIFileManager::GetPrefixes();
        for (char** p = prefixes; p != nullptr && *p != nullptr; ++p) {
            if (!isLocalPrefix(*p)) {
                // GDAL forgets a replaced handler without deleting it: kept
                // here, it stays reachable (no leak reported at exit).
                static auto* replaced = new std::vector<VSIFilesystemHandler*>; // never destroyed
                replaced->push_back(VSIFileManager::GetHandler(*p));
                VSIFileManager::InstallHandler(*p, new RefusingFilesystem); // lives as long as GDAL
            }
        }
        CSLDestroy(prefixes);
        guardDrivers(*drivers);
        CPLHTTPSetFetchCallback(refuseFetch, nullptr);
        OSRSetPROJEnableNetwork(FALSE);
        // Reading must leave no .aux.xml beside the user's file.
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    });
}

std::string firstRefused() {
    const std::lock_guard<std::mutex> hold(refusedLock);
    return refused;
}

void forget() {
    const std::lock_guard<std::mutex> hold(refusedLock);
    refused.clear();
}

bool isNetworkName(const std::string& name) {
    if (name.find("://") != std::string::npos) {
        return true; // a URL, or a driver's connection string holding one
    }
    // Chained paths (/vsizip//vsicurl/...) count by any of their parts.
    prepare();
    for (std::size_t at = name.find("/vsi"); at != std::string::npos; at = name.find("/vsi", at + 1)) {
        if (dynamic_cast<RefusingFilesystem*>(VSIFileManager::GetHandler(name.c_str() + at)) != nullptr) {
            return true;
        }
    }
    return false;
}

std::string nonLocalFile(GDALDataset& dataset) {
    char** files = dataset.GetFileList();
    std::string found;
    for (char** f = files; f != nullptr && *f != nullptr && found.empty(); ++f) {
        if (isNetworkName(*f)) {
            found = *f;
        }
    }
    CSLDestroy(files);
    return found;
}

GDALDataset* openRaster(const std::string& path, std::string& reason) {
    const auto refusal = [](const std::string& remote) {
        return "refers to '" + remote + "', a network or cloud path: only local files are read";
    };
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        reason = std::string("cannot be opened (") + std::strerror(errno) + ")";
        return nullptr;
    }
    // A plain file only: GDAL would otherwise also take /vsicurl/ addresses
    // and the like, fetching from the network on the user's behalf.
    if (!S_ISREG(status.st_mode)) {
        reason = "is not a regular file";
        return nullptr;
    }
    GDALDataset* dataset = GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    // What the file names (a VRT's sources, at any depth) must be local
    // too: listing them asks for each, so a refused one is noted if not listed.
    std::string remote = dataset != nullptr ? nonLocalFile(*dataset) : std::string();
    if (remote.empty()) {
        remote = firstRefused();
    }
    if (!remote.empty()) {
        reason = refusal(remote);
    } else if (dataset == nullptr) {
        reason = "is not a raster GDAL can read";
    }
    if (!reason.empty()) {
        if (dataset != nullptr) {
            GDALClose(dataset);
        }
        return nullptr;
    }
    return dataset;
}

} // namespace gdal_local
