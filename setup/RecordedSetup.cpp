#include "setup/RecordedSetup.h"

#include <cmath>
#include <filesystem>
#include <sstream>

#include <toml++/toml.h>

#include "scene/TomlFile.h"
#include "setup/OptionValues.h"

namespace setup {

namespace {

// The scenario's text is at most a scenario file's size (1 MiB).
constexpr std::uintmax_t kMaxSetupBytes = std::uintmax_t{4} << 20;

std::string absolute(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code code;
    const std::filesystem::path whole = std::filesystem::absolute(path, code);
    return code ? path : whole.lexically_normal().string();
}

// "FILE.cup[:NAME]" with the file made absolute.
std::string absoluteTask(const std::string& task) {
    const std::size_t colon = task.find(':');
    return colon == std::string::npos ? absolute(task) : absolute(task.substr(0, colon)) + task.substr(colon);
}

} // namespace

std::string writeRecordedSetup(const FlightRequest& request, std::string& text) {
    toml::table table;
    table.insert("format", kRecordedSetupFormat);
    std::string scenario = request.builtInScenario;
    std::string name = request.builtInName;
    std::string folder = absolute(request.builtInFolder);
    if (!request.scenarioPath.empty()) {
        if (std::string reason = tomlfile::readText(request.scenarioPath, kMaxSetupBytes, scenario); !reason.empty()) {
            return reason;
        }
        name = request.scenarioPath;
        folder = std::filesystem::path(absolute(request.scenarioPath)).parent_path().string();
    }
    table.insert("scenario", scenario);
    table.insert("scenario_name", name);
    table.insert("scenario_folder", folder);
    if (request.model) {
        table.insert("model", start::flightModelName(*request.model));
    }
    if (request.wind) {
        table.insert("wind", toml::array{request.wind->x, request.wind->y, request.wind->z});
    }
    if (!request.terrainPath.empty()) {
        table.insert("terrain", absolute(request.terrainPath));
    }
    if (request.generatedTerrain) {
        table.insert("generated_terrain", true);
    }
    if (!request.imagery.empty()) {
        table.insert("imagery", absolute(request.imagery));
    }
    if (!request.task.empty()) {
        table.insert("task", absoluteTask(request.task));
    }
    if (!request.dem.path.empty()) {
        toml::table dem;
        dem.insert("path", absolute(request.dem.path));
        dem.insert("radius", request.dem.radius);
        dem.insert("spacing", request.dem.spacing);
        if (request.dem.hasCentre) {
            dem.insert("centre", toml::array{request.dem.centre.latitude, request.dem.centre.longitude});
        }
        if (request.dem.fillWithHeight) {
            dem.insert("fill_height", request.dem.fillHeight);
        }
        table.insert("dem", std::move(dem));
    }
    std::ostringstream out;
    out << "# How this flight was set up: glider-pilot --replay builds its world again from it.\n" << table << "\n";
    text = out.str();
    return {};
}

namespace {

// The first fault wins.
class SetupReader {
public:
    explicit SetupReader(std::string file) : path(std::move(file)) {}
    bool failed() const { return !message.empty(); }
    const std::string& error() const { return message; }

    void fail(const toml::node* node, const std::string& key, const std::string& reason) {
        if (message.empty()) {
            const int line = node != nullptr ? static_cast<int>(node->source().begin.line) : 0;
            message = path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + key + ": " + reason;
        }
    }
    bool string(const toml::table& t, const char* key, std::string& out, bool required = false) {
        const toml::node* node = t.get(key);
        if (node == nullptr) {
            if (required) {
                fail(nullptr, key, "missing");
            }
            return false;
        }
        if (!node->is_string()) {
            fail(node, key, "expected a string");
            return false;
        }
        out = node->as_string()->get();
        return true;
    }
    bool number(const toml::table& t, const char* key, double& out) {
        const toml::node* node = t.get(key);
        if (node == nullptr) {
            return false;
        }
        const std::optional<double> value = node->value<double>();
        if (!value || !std::isfinite(*value) || !(node->is_floating_point() || node->is_integer())) {
            fail(node, key, "expected a finite number");
            return false;
        }
        out = *value;
        return true;
    }
    // `count` finite numbers.
    bool numbers(const toml::table& t, const char* key, double* out, std::size_t count) {
        const toml::node* node = t.get(key);
        if (node == nullptr) {
            return false;
        }
        const toml::array* list = node->as_array();
        bool ok = list != nullptr && list->size() == count;
        for (std::size_t i = 0; ok && i < count; ++i) {
            const toml::node& item = *list->get(i);
            const std::optional<double> value = item.value<double>();
            ok = (item.is_floating_point() || item.is_integer()) && value && std::isfinite(*value);
            out[i] = ok ? *value : 0.0;
        }
        if (!ok) {
            fail(node, key, "expected " + std::to_string(count) + " finite numbers");
        }
        return ok;
    }
    void require(bool ok, const toml::node* node, const std::string& key, const std::string& reason) {
        if (!ok) {
            fail(node, key, reason);
        }
    }
    void onlyKeys(const toml::table& t, const std::string& prefix, std::initializer_list<const char*> known) {
        for (const tomlfile::UnknownKey& unknown : tomlfile::unknownKeys(t, known)) {
            if (message.empty()) {
                message = path + ":" + std::to_string(unknown.line) + ": " + prefix + unknown.key + ": unknown key";
            }
        }
    }

private:
    std::string path;
    std::string message;
};

} // namespace

std::string readRecordedSetup(const std::string& path, FlightRequest& request) {
    tomlfile::Parsed parsed = tomlfile::readFile(path, kMaxSetupBytes);
    if (!parsed.ok) {
        return !parsed.message.empty() ? parsed.message
                                       : path + ":" + std::to_string(parsed.line) + ": " + parsed.description;
    }
    const toml::table& table = parsed.table;
    SetupReader read(path);
    read.onlyKeys(table, "", {"format", "scenario", "scenario_name", "scenario_folder", "model", "wind", "terrain",
                              "generated_terrain", "imagery", "task", "dem"});
    FlightRequest built;
    const toml::node* format = table.get("format");
    if (format == nullptr) {
        read.fail(nullptr, "format", "missing (not a flight's setup?)");
    } else if (format->value<long long>() != kRecordedSetupFormat || !format->is_integer()) {
        read.fail(format, "format", "expected " + std::to_string(kRecordedSetupFormat) + "; this program reads no other");
    }
    std::string name;
    read.string(table, "scenario", built.builtInScenario, true);
    read.string(table, "scenario_name", name, true);
    read.string(table, "scenario_folder", built.builtInFolder, true);
    built.builtInName = path + "'s scenario (" + name + ")";
    std::string model;
    if (read.string(table, "model", model)) {
        start::FlightModel flown;
        if (!start::flightModelFromName(model, flown)) {
            read.fail(table.get("model"), "model", "expected realistic or classic, got '" + model + "'");
        }
        built.model = flown;
    }
    double wind[3];
    if (read.numbers(table, "wind", wind, 3)) {
        built.wind = Vector3D(wind[0], wind[1], wind[2]);
        for (const double component : wind) {
            read.require(std::fabs(component) <= Scenario::kMaxWindComponent, table.get("wind"), "wind",
                         flight::rangeRule(-Scenario::kMaxWindComponent, Scenario::kMaxWindComponent, "m/s"));
        }
    }
    read.string(table, "terrain", built.terrainPath);
    if (const toml::node* generated = table.get("generated_terrain")) {
        if (!generated->is_boolean()) {
            read.fail(generated, "generated_terrain", "expected true or false");
        } else {
            built.generatedTerrain = generated->as_boolean()->get();
        }
    }
    read.string(table, "imagery", built.imagery);
    read.string(table, "task", built.task);
    if (const toml::node* node = table.get("dem")) {
        if (!node->is_table()) {
            read.fail(node, "dem", "expected a table");
        } else {
            const toml::table& dem = *node->as_table();
            read.onlyKeys(dem, "dem.", {"path", "radius", "spacing", "centre", "fill_height"});
            read.string(dem, "path", built.dem.path, true);
            if (read.number(dem, "radius", built.dem.radius)) {
                read.require(built.dem.radius >= kMinDemRadius && built.dem.radius <= kMaxDemRadius, dem.get("radius"),
                             "dem.radius", flight::rangeRule(kMinDemRadius, kMaxDemRadius, "m"));
            }
            if (read.number(dem, "spacing", built.dem.spacing)) {
                read.require(built.dem.spacing == 0.0 ||
                                 (built.dem.spacing >= kMinDemSpacing && built.dem.spacing <= kMaxDemSpacing),
                             dem.get("spacing"), "dem.spacing",
                             "0 (the raster's own) or " + flight::rangeRule(kMinDemSpacing, kMaxDemSpacing, "m"));
            }
            double centre[2];
            if (read.numbers(dem, "centre", centre, 2)) {
                built.dem.hasCentre = true;
                built.dem.centre.latitude = centre[0];
                built.dem.centre.longitude = centre[1];
                read.require(std::fabs(centre[0]) <= 90.0 && std::fabs(centre[1]) <= 180.0, dem.get("centre"),
                             "dem.centre", "not a place on the Earth");
            }
            built.dem.fillWithHeight = read.number(dem, "fill_height", built.dem.fillHeight);
            if (built.dem.fillWithHeight) {
                const std::string problem = demFillHeightProblem(built.dem.fillHeight);
                read.require(problem.empty(), dem.get("fill_height"), "dem.fill_height", problem);
            }
        }
    }
    if (read.failed()) {
        return read.error();
    }
    request = std::move(built);
    return {};
}

} // namespace setup
