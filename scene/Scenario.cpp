#include "scene/Scenario.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <sstream>

#include <toml++/toml.h>

#include "atmosphere/Atmosphere.h"
#include "atmosphere/ThermalField.h"
#include "scene/DemStart.h"
#include "scene/GeoLimits.h"
#include "scene/TomlFile.h"
#include "terrain/JpegHeightField.h"
#include "terrain/RandomHeightField.h"

namespace {

// A pilot's targets reach as far as the scenario's starts and thermals.
static_assert(kMaxPilotDistance == Scenario::kMaxDistance);

// Scenario files are small; anything this large is not one.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;
// A grid this large would take gigabytes; real scenarios stay far below.
constexpr double kMaxSamples = 16.0e6;

// The first fault wins; every check after it is skipped.
class Reader {
public:
    Reader(std::string name_, std::string folder_) : name(std::move(name_)), folder(std::move(folder_)) {}

    bool failed() const { return !message.empty(); }
    const std::string& error() const { return message; }

    void fail(const toml::source_region& where, const std::string& key, const std::string& reason) {
        if (failed()) {
            return;
        }
        failAt(static_cast<int>(where.begin.line), key, reason);
    }
    void failAt(int line, const std::string& key, const std::string& reason) {
        if (failed()) {
            return;
        }
        message = name + ":" + std::to_string(line) + ": " + key + ": " + reason;
    }

    // Every key of `table` must be one of `known`: a misspelt key is a
    // mistake, never silently a default.
    void onlyKeys(const toml::table& table, const std::string& prefix, std::initializer_list<const char*> known) {
        for (const tomlfile::UnknownKey& unknown : tomlfile::unknownKeys(table, known)) {
            failAt(unknown.line, prefix + unknown.key, "unknown key");
        }
    }

    const toml::table* table(const toml::table& parent, const char* key, const std::string& prefix) {
        const toml::node* node = parent.get(key);
        if (node == nullptr) {
            return nullptr;
        }
        if (!node->is_table()) {
            fail(node->source(), prefix + key, "expected a table");
            return nullptr;
        }
        return node->as_table();
    }

    // A number (integers accepted) within [low, high]; absent: unchanged.
    void number(const toml::table& t, const char* key, const std::string& prefix, double low, double high,
                double& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return;
        }
        double value = 0.0;
        if (!readNumber(*node, value)) {
            fail(node->source(), prefix + key, "expected a number");
        } else if (!(value >= low && value <= high)) {
            std::ostringstream range;
            range << "must lie within " << low << " to " << high;
            fail(node->source(), prefix + key, range.str());
        } else {
            out = value;
        }
    }

    void integer(const toml::table& t, const char* key, const std::string& prefix, long long low, long long high,
                 long long& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return;
        }
        if (!node->is_integer()) {
            fail(node->source(), prefix + key, "expected a whole number");
            return;
        }
        const long long value = node->as_integer()->get();
        if (value < low || value > high) {
            fail(node->source(), prefix + key,
                 "must lie within " + std::to_string(low) + " to " + std::to_string(high));
            return;
        }
        out = value;
    }

    void boolean(const toml::table& t, const char* key, const std::string& prefix, bool& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return;
        }
        if (!node->is_boolean()) {
            fail(node->source(), prefix + key, "expected true or false");
            return;
        }
        out = node->as_boolean()->get();
    }

    const toml::node* string(const toml::table& t, const char* key, const std::string& prefix, std::string& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return nullptr;
        }
        if (!node->is_string()) {
            fail(node->source(), prefix + key, "expected a string");
            return nullptr;
        }
        out = node->as_string()->get();
        return node;
    }

    // Three numbers, each within ±limit.
    void vector(const toml::table& t, const char* key, const std::string& prefix, double limit, Vector3D& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return;
        }
        const toml::array* array = node->as_array();
        double v[3] = {0.0, 0.0, 0.0};
        bool ok = array != nullptr && array->size() == 3;
        for (std::size_t i = 0; ok && i < 3; ++i) {
            ok = readNumber((*array)[i], v[i]);
        }
        if (!ok) {
            fail(node->source(), prefix + key, "expected three numbers [x, y, z]");
            return;
        }
        for (double c : v) {
            if (!(std::fabs(c) <= limit)) {
                std::ostringstream range;
                range << "each component must lie within -" << limit << " to " << limit;
                fail(node->source(), prefix + key, range.str());
                return;
            }
        }
        out = Vector3D(v[0], v[1], v[2]);
    }

    // [latitude, longitude] in degrees, poles excluded; true when read.
    bool geoCoordinate(const toml::table& t, const char* key, const std::string& prefix, GeoCoordinate& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr || failed()) {
            return false;
        }
        return geoCoordinate(*node, prefix + key, out);
    }
    bool geoCoordinate(const toml::node& item, const std::string& key, GeoCoordinate& out) {
        const toml::node* node = &item;
        const toml::array* array = node->as_array();
        double v[2] = {0.0, 0.0};
        bool ok = array != nullptr && array->size() == 2;
        for (std::size_t i = 0; ok && i < 2; ++i) {
            ok = readNumber((*array)[i], v[i]);
        }
        if (!ok) {
            fail(node->source(), key, "expected [latitude, longitude] in degrees");
            return false;
        }
        if (!geo::isUsableCoordinate(v[0], v[1])) {
            fail(node->source(), key, geo::kCoordinateRule);
            return false;
        }
        out = GeoCoordinate{v[0], v[1]};
        return true;
    }

    std::string resolve(const std::string& path) const {
        const std::filesystem::path p(path);
        if (p.is_absolute() || folder.empty()) {
            return path;
        }
        return (std::filesystem::path(folder) / p).string();
    }

private:
    static bool readNumber(const toml::node& node, double& value) {
        if (node.is_integer()) {
            value = static_cast<double>(node.as_integer()->get());
            return true;
        }
        if (node.is_floating_point()) {
            value = node.as_floating_point()->get();
            return std::isfinite(value); // inf and nan are TOML numbers, never ours
        }
        return false;
    }

    std::string name;
    std::string folder;
    std::string message;
};

// An elevation raster's window: the raster's path, and optionally the
// window's centre [latitude, longitude], its radius and the grid's spacing.
void readDemTerrain(Reader& r, const toml::table& t, DemRequest& dem, std::string& imagery) {
    const std::string p = "terrain.";
    r.onlyKeys(t, p, {"source", "path", "centre", "radius_km", "spacing", "fill_height", "imagery"});
    const toml::node* path = r.string(t, "path", p, dem.path);
    if (!r.failed() && (path == nullptr || dem.path.empty())) {
        r.fail(path != nullptr ? path->source() : t.source(), p + "path", "expected an elevation raster's file name");
    }
    dem.path = r.resolve(dem.path);
    if (t.get("centre") != nullptr && !r.failed()) {
        dem.hasCentre = r.geoCoordinate(t, "centre", p, dem.centre);
    }
    double radiusKm = dem.radius / 1000.0;
    r.number(t, "radius_km", p, kMinDemRadius / 1000.0, kMaxDemRadius / 1000.0, radiusKm);
    dem.radius = radiusKm * 1000.0;
    r.number(t, "spacing", p, kMinDemSpacing, kMaxDemSpacing, dem.spacing);
    if (t.get("fill_height") != nullptr) {
        dem.fillWithHeight = true;
        r.number(t, "fill_height", p, kLowestElevation, kHighestElevation, dem.fillHeight);
    }
    // Drawn by the programs that show the ground; read (and checked) there.
    if (const toml::node* node = r.string(t, "imagery", p, imagery); node != nullptr && !r.failed()) {
        if (imagery.empty()) {
            r.fail(node->source(), p + "imagery", "expected a georeferenced raster's file name");
        } else {
            imagery = r.resolve(imagery);
        }
    }
}

void readTerrain(Reader& r, const toml::table& t, Scenario::Terrain& terrain) {
    const std::string p = "terrain.";
    r.onlyKeys(t, p,
               {"source", "path", "spacing", "height_scale", "size", "height", "width", "crest_y", "length",
                "breadth", "centre", "radius_km", "fill_height", "imagery"});
    std::string source;
    const toml::node* sourceNode = r.string(t, "source", p, source);
    if (r.failed()) {
        return;
    }
    if (sourceNode == nullptr) {
        r.fail(t.source(), p + "source", "missing: generated, jpeg, flat, ridge or dem");
        return;
    }
    // The keys each source reads; any other is a mistake.
    auto only = [&](std::initializer_list<const char*> keys) { r.onlyKeys(t, p, keys); };
    if (source == "generated") {
        terrain.source = Scenario::Terrain::Source::Generated;
        only({"source"});
    } else if (source == "jpeg") {
        terrain.source = Scenario::Terrain::Source::Jpeg;
        only({"source", "path", "spacing", "height_scale"});
        const toml::node* path = r.string(t, "path", p, terrain.path);
        if (!r.failed() && (path == nullptr || terrain.path.empty())) {
            r.fail(path != nullptr ? path->source() : t.source(), p + "path", "expected a heightmap file name");
        }
        terrain.path = r.resolve(terrain.path);
        r.number(t, "spacing", p, 0.01, 1000.0, terrain.spacing);
        r.number(t, "height_scale", p, 0.0, 100.0, terrain.heightScale);
    } else if (source == "flat") {
        terrain.source = Scenario::Terrain::Source::Flat;
        only({"source", "size", "spacing"});
        r.number(t, "size", p, 10.0, 100000.0, terrain.size);
        r.number(t, "spacing", p, 1.0, 10000.0, terrain.flatSpacing);
        if (!r.failed() && std::pow(terrain.size / terrain.flatSpacing + 1.0, 2.0) > kMaxSamples) {
            r.fail(t.source(), p + "spacing", "too fine for the terrain's size (over 16 million samples)");
        }
    } else if (source == "ridge") {
        terrain.source = Scenario::Terrain::Source::Ridge;
        only({"source", "height", "width", "crest_y", "length", "breadth", "spacing"});
        RidgeShape& ridge = terrain.ridge;
        r.number(t, "height", p, 1.0, 5000.0, ridge.height);
        r.number(t, "width", p, 10.0, 100000.0, ridge.width);
        r.number(t, "crest_y", p, -Scenario::kMaxDistance, Scenario::kMaxDistance, ridge.crestY);
        r.number(t, "length", p, 100.0, 100000.0, ridge.length);
        r.number(t, "breadth", p, 100.0, 100000.0, ridge.breadth);
        r.number(t, "spacing", p, 1.0, 1000.0, ridge.spacing);
        if (!r.failed() &&
            (ridge.length / ridge.spacing + 1.0) * (ridge.breadth / ridge.spacing + 1.0) > kMaxSamples) {
            r.fail(t.source(), p + "spacing", "too fine for the ridge's extent (over 16 million samples)");
        }
    } else if (source == "dem") {
        terrain.source = Scenario::Terrain::Source::Dem;
        readDemTerrain(r, t, terrain.dem, terrain.imagery);
    } else {
        r.fail(sourceNode->source(), p + "source",
               "unknown terrain source '" + source + "' (generated, jpeg, flat, ridge or dem)");
    }
}

void readStart(Reader& r, const toml::table& t, Scenario::Launch& launch, bool overElevationModel) {
    const std::string p = "start.";
    // Over an elevation model the start is a place and a height above the
    // ground there; elsewhere, a position in the world's metres.
    if (overElevationModel) {
        r.onlyKeys(t, p, {"at", "height", "heading", "speed"});
        if (t.get("at") != nullptr && !r.failed()) {
            launch.hasAt = r.geoCoordinate(t, "at", p, launch.at);
        }
        r.number(t, "height", p, start::kMinDemStartHeight, start::kMaxDemStartHeight, launch.heightAboveGround);
    } else {
        r.onlyKeys(t, p, {"position", "heading", "speed"});
    }
    r.vector(t, "position", p, Scenario::kMaxDistance, launch.position);
    r.number(t, "heading", p, -360.0, 360.0, launch.headingDegrees);
    r.number(t, "speed", p, 0.0, 50.0, launch.speed);
}

void readThermal(Reader& r, const toml::table& t, const std::string& p, Thermal& thermal) {
    r.onlyKeys(t, p, {"x", "y", "updraft", "radius"});
    for (const char* key : {"x", "y", "updraft", "radius"}) {
        if (!r.failed() && t.get(key) == nullptr) {
            r.fail(t.source(), p + key, "missing");
        }
    }
    r.number(t, "x", p, -Scenario::kMaxDistance, Scenario::kMaxDistance, thermal.x);
    r.number(t, "y", p, -Scenario::kMaxDistance, Scenario::kMaxDistance, thermal.y);
    r.number(t, "updraft", p, 0.1, ThermalField::kMaxUpdraft, thermal.updraft);
    r.number(t, "radius", p, updraft::kSmallestOuterRadius, ThermalField::kMaxRadius, thermal.radius);
}

void readAir(Reader& r, const toml::table& t, Scenario& s) {
    const std::string p = "air.";
    r.onlyKeys(t, p, {"wind", "ridge_lift", "thermal_top", "thermal", "random_thermals", "clouds", "lifecycle"});
    r.vector(t, "wind", p, Scenario::kMaxWindComponent, s.wind);
    r.boolean(t, "ridge_lift", p, s.ridgeLift);
    r.boolean(t, "clouds", p, s.sky.clouds);
    if (const toml::table* life = r.table(t, "lifecycle", p)) {
        const std::string q = p + "lifecycle.";
        ThermalLifecycle& cycle = s.lifecycle;
        r.onlyKeys(*life, q, {"lifetime", "seed", "spread", "water_level"});
        cycle.living = true;
        long long seed = 1;
        r.integer(*life, "seed", q, 0, std::numeric_limits<long long>::max(), seed);
        cycle.seed = static_cast<std::uint64_t>(seed);
        r.number(*life, "lifetime", q, ThermalLifecycle::kMinLifetime, ThermalLifecycle::kMaxLifetime, cycle.lifetime);
        r.number(*life, "spread", q, 0.0, ThermalLifecycle::kMaxSpread, cycle.spread);
        r.number(*life, "water_level", q, -12000.0, 10000.0, cycle.waterLevel);
    }
    r.number(t, "thermal_top", p, ThermalField::kMinDepth, ThermalField::kMaxDepth, s.thermalTop);
    if (const toml::node* list = t.get("thermal"); list != nullptr && !r.failed()) {
        const toml::array* array = list->as_array();
        if (array == nullptr) {
            r.fail(list->source(), p + "thermal", "expected [[air.thermal]] tables");
            return;
        }
        for (std::size_t i = 0; i < array->size() && !r.failed(); ++i) {
            const std::string q = p + "thermal[" + std::to_string(i + 1) + "].";
            const toml::table* table = (*array)[i].as_table();
            if (table == nullptr) {
                r.fail((*array)[i].source(), p + "thermal", "expected [[air.thermal]] tables");
                return;
            }
            Thermal thermal;
            readThermal(r, *table, q, thermal);
            s.thermals.push_back(thermal);
        }
    }
    if (const toml::table* random = r.table(t, "random_thermals", p)) {
        const std::string q = p + "random_thermals.";
        RandomThermals& scatter = s.randomThermals;
        r.onlyKeys(*random, q, {"count", "seed", "density", "updraft", "radius", "spread"});
        long long count = 0;
        long long seed = 1;
        if (!r.failed() && random->get("count") == nullptr) {
            r.fail(random->source(), q + "count", "missing");
        }
        r.integer(*random, "count", q, 0, RandomThermals::kMaxCount, count);
        r.integer(*random, "seed", q, 0, std::numeric_limits<long long>::max(), seed);
        scatter.count = static_cast<int>(count);
        scatter.seed = static_cast<std::uint64_t>(seed);
        r.number(*random, "density", q, 0.001, RandomThermals::kMaxDensity, scatter.density);
        r.number(*random, "updraft", q, 0.1, ThermalField::kMaxUpdraft / 2.0, scatter.updraft);
        r.number(*random, "radius", q, 2.0 * updraft::kSmallestOuterRadius, ThermalField::kMaxRadius / 2.0,
                 scatter.radius);
        r.number(*random, "spread", q, 0.0, 0.9, scatter.spread);
    }
}

// The task: a .cup file's (its first, or the one named), or the points
// themselves, start to finish, with the usual zones.
void readTask(Reader& r, const toml::table& t, Scenario::TaskSource& task) {
    const std::string p = "task.";
    r.onlyKeys(t, p, {"file", "name", "points"});
    const toml::node* file = r.string(t, "file", p, task.cupFile);
    r.string(t, "name", p, task.name);
    const toml::node* points = t.get("points");
    if (r.failed()) {
        return;
    }
    if ((file == nullptr) == (points == nullptr)) {
        r.fail(t.source(), p + "file", "expected either a .cup file or points, not both or neither");
        return;
    }
    if (file != nullptr) {
        if (task.cupFile.empty()) {
            r.fail(file->source(), p + "file", "expected a .cup file's name");
        }
        task.cupFile = r.resolve(task.cupFile);
        return;
    }
    if (t.get("name") != nullptr) {
        r.fail(t.get("name")->source(), p + "name", "names a task of a .cup file; points need none");
        return;
    }
    const toml::array* array = points->as_array();
    if (array == nullptr || array->size() < 2 || array->size() > Scenario::kMaxTaskPoints) {
        r.fail(points->source(), p + "points",
               "expected 2 to " + std::to_string(Scenario::kMaxTaskPoints) +
                   " [latitude, longitude] pairs: start, turnpoints, finish");
        return;
    }
    for (std::size_t i = 0; i < array->size() && !r.failed(); ++i) {
        GeoCoordinate point;
        if (r.geoCoordinate((*array)[i], p + "points[" + std::to_string(i + 1) + "]", point)) {
            task.points.push_back(point);
        }
    }
}

// The sun: an azimuth and an elevation, or a time of day (and a date and a
// place) that give them.
void readSun(Reader& r, const toml::table& t, Scenario::Sky& sky) {
    const std::string p = "sun.";
    r.onlyKeys(t, p, {"azimuth", "elevation", "time", "date", "latitude", "longitude", "utc_offset"});
    const bool set = t.get("azimuth") != nullptr || t.get("elevation") != nullptr;
    const toml::node* time = t.get("time");
    if (set && time != nullptr) {
        r.fail(time->source(), p + "time", "give azimuth and elevation or a time, not both");
    }
    r.number(t, "azimuth", p, 0.0, 360.0, sky.sun.azimuth);
    r.number(t, "elevation", p, -90.0, 90.0, sky.sun.elevation);
    if (set || r.failed()) {
        r.onlyKeys(t, p, {"azimuth", "elevation"});
        return;
    }
    SunMoment moment;
    double latitude = 46.0;
    double longitude = 8.0;
    r.number(t, "latitude", p, -89.9, 89.9, latitude);
    r.number(t, "longitude", p, -180.0, 180.0, longitude);
    double offset = std::round(longitude / 15.0); // the zone's clock by default
    r.number(t, "utc_offset", p, -14.0, 14.0, offset);
    if (const toml::node* date = t.get("date"); date != nullptr && !r.failed()) {
        if (!date->is_date()) {
            r.fail(date->source(), p + "date", "expected a date such as 2026-07-15");
        } else {
            const toml::date d = date->as_date()->get();
            moment.year = d.year;
            moment.month = d.month;
            moment.day = d.day;
        }
    }
    double hours = 12.0;
    if (time != nullptr && !r.failed()) {
        if (!time->is_time()) {
            r.fail(time->source(), p + "time", "expected a local time such as 15:30:00");
        } else {
            const toml::time clock = time->as_time()->get();
            hours = clock.hour + clock.minute / 60.0 + clock.second / 3600.0;
        }
    } else if (!r.failed() && (t.get("date") != nullptr || t.get("latitude") != nullptr)) {
        r.fail(t.source(), p + "time", "missing: the local time the date and place are for");
    }
    if (time == nullptr || r.failed()) {
        return;
    }
    // The clock's day may start before or after the day in universal time.
    moment.utcHours = std::fmod(hours - offset + 48.0, 24.0);
    sky.sun = sun::positionAt(moment, latitude, longitude);
}

} // namespace

ScenarioLoad readScenario(const std::string& text, const std::string& name, const std::string& folder) {
    ScenarioLoad load;
    tomlfile::Parsed parsed = tomlfile::parse(text, name);
    if (!parsed.ok) {
        load.message = name + ":" + std::to_string(parsed.line) + ": " + parsed.description;
        return load;
    }
    const toml::table& root = parsed.table;
    Reader r(name, folder);
    Scenario& s = load.scenario;
    s.file = name;
    r.onlyKeys(root, "", {"model", "pilot", "terrain", "start", "air", "sun", "task"});
    std::string text_;
    if (const toml::node* node = r.string(root, "model", "", text_); node != nullptr && !start::flightModelFromName(text_, s.model)) {
        r.fail(node->source(), "model", "expected classic or realistic, got '" + text_ + "'");
    }
    if (const toml::node* node = r.string(root, "pilot", "", text_); node != nullptr) {
        const std::string reason = readPilotPlan(text_, s.pilot);
        if (!reason.empty()) {
            r.fail(node->source(), "pilot", reason);
        }
    }
    if (const toml::table* t = r.table(root, "terrain", ""); t != nullptr && !r.failed()) {
        readTerrain(r, *t, s.terrain);
    }
    if (const toml::table* t = r.table(root, "start", ""); t != nullptr && !r.failed()) {
        readStart(r, *t, s.launch, s.terrain.source == Scenario::Terrain::Source::Dem);
    }
    if (const toml::table* t = r.table(root, "air", ""); t != nullptr && !r.failed()) {
        readAir(r, *t, s);
    }
    if (const toml::table* t = r.table(root, "sun", ""); t != nullptr && !r.failed()) {
        readSun(r, *t, s.sky);
    }
    if (const toml::table* t = r.table(root, "task", ""); t != nullptr && !r.failed()) {
        readTask(r, *t, s.task);
    }
    if (r.failed()) {
        load.message = r.error();
        return load;
    }
    load.ok = true;
    return load;
}

ScenarioLoad loadScenario(const std::string& path) {
    ScenarioLoad load;
    std::string text;
    load.message = tomlfile::readText(path, kMaxFileBytes, text);
    if (!load.message.empty()) {
        return load;
    }
    return readScenario(text, path, std::filesystem::path(path).parent_path().string());
}

std::unique_ptr<HeightField> makeScenarioTerrain(const Scenario& scenario, std::string& error) {
    const Scenario::Terrain& t = scenario.terrain;
    switch (t.source) {
    case Scenario::Terrain::Source::Default:
        return start::makeTerrain(start::kTerrainFile);
    case Scenario::Terrain::Source::Generated:
        return start::makeGeneratedTerrain();
    case Scenario::Terrain::Source::Jpeg: {
        // Named by the scenario: refused with the reason, never a fallback,
        // a half-decoded image or a message of the loader's own.
        std::string reason;
        std::unique_ptr<HeightField> field = readHeightFieldJpeg(t.path.c_str(), t.spacing, t.heightScale, reason);
        if (!field) {
            error = (scenario.file.empty() ? std::string("scenario") : scenario.file) +
                    ": terrain.path: cannot use the heightmap '" + t.path + "': " + reason;
        }
        return field;
    }
    case Scenario::Terrain::Source::Flat:
        return generateFlatHeightField(t.size, t.flatSpacing);
    case Scenario::Terrain::Source::Ridge:
        return generateRidgeHeightField(t.ridge);
    case Scenario::Terrain::Source::Dem:
        // Read with its map by makeScenarioGround, which only the
        // programs that read elevation rasters link.
        error = (scenario.file.empty() ? std::string("scenario") : scenario.file) +
                ": terrain.source: an elevation model is read with makeScenarioGround";
        return nullptr;
    }
    return nullptr;
}

start::Flight makeScenarioFlight(const Scenario& scenario, std::unique_ptr<HeightField> terrain) {
    start::Flight flight = start::makeFlight(std::move(terrain), scenario.wind, scenario.model, scenario.launch);

    // Only air that moves gets a field: the uniform wind alone keeps the
    // world's own constant, and with it the classic flight's every bit.
    if (scenario.movesAir()) {
        auto air = std::make_unique<Atmosphere>(scenario.wind, flight.terrain.get());
        if (scenario.hasThermals()) {
            std::vector<Thermal> thermals = scenario.thermals;
            double area = ThermalField::defaultArea(thermals.size());
            if (scenario.randomThermals.count > 0) {
                const std::vector<Thermal> scattered = scatterThermals(
                    scenario.randomThermals, scenario.launch.position.x, scenario.launch.position.y);
                thermals.insert(thermals.end(), scattered.begin(), scattered.end());
                area += scatterArea(scenario.randomThermals);
            }
            // Wide thermals need room around them for their sink.
            area = std::max(area, 4.0 * ThermalField::smallestArea(thermals, scenario.thermalTop));
            auto field = std::make_unique<ThermalField>(std::move(thermals), scenario.thermalTop, scenario.wind.x,
                                                        scenario.wind.y, area);
            if (scenario.lifecycle.living) {
                ThermalLifecycle cycle = scenario.lifecycle;
                cycle.sun = sun::direction(scenario.sky.sun);
                field->makeLiving(cycle, flight.terrain.get());
            }
            air->setThermals(std::move(field));
        }
        if (scenario.ridgeLift) {
            air->enableRidgeLift();
        }
        flight.world->setAirField(air.get());
        flight.air = std::move(air);
    }
    return flight;
}
