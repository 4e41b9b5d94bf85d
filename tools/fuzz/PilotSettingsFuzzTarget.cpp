// Fuzz target for glider-pilot's settings: reads the file named on the
// command line as the program reads pilot.toml. A refusal or a warning must
// be one line that names the file. Settings it accepts must survive a
// rewrite: a copy of the file saved with one value changed reads back with
// that value, the others, and the same unknown keys. Anything else (a
// crash, a hang, a sanitizer report, a broken promise) is a finding. Run
// through scripts/fuzz.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pilot/PilotSettings.h"

namespace {

[[noreturn]] void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

void expectLinesNaming(const std::string& path, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.rfind(path + ":", 0) != 0 || line.find('\n') != std::string::npos) {
            finding("not one line naming the file", line);
        }
    }
}

// A folder of its own for the rewritten copy, removed however main returns.
struct ScratchFolder {
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/settings-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            finding("no scratch folder", pattern);
        }
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SETTINGS\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    PilotSettings settings;
    std::vector<std::string> warnings;
    const std::string reason = PilotSettings::load(path, settings, &warnings);
    if (!reason.empty()) {
        expectLinesNaming(path, {reason});
        return 0;
    }
    expectLinesNaming(path, warnings);

    ScratchFolder scratch;
    const std::string copy = scratch.path + "/pilot.toml";
    std::error_code code;
    if (!std::filesystem::copy_file(path, copy, code)) {
        return 0; // nothing there: the defaults, nothing to rewrite
    }
    PilotSettings changed = settings;
    changed.volume = settings.volume == 0.5 ? 0.25 : 0.5;
    std::string saved = PilotSettings::save(copy, changed);
    if (!saved.empty()) {
        finding("settings read but not rewritable", saved);
    }
    PilotSettings again;
    std::vector<std::string> warningsAgain;
    const std::string reread = PilotSettings::load(copy, again, &warningsAgain);
    if (!reread.empty()) {
        finding("the rewritten settings are refused", reread);
    }
    if (again != changed) {
        finding("the rewritten settings read back different", copy);
    }
    if (warningsAgain.size() != warnings.size()) {
        finding("unknown keys lost or gained in the rewrite", std::to_string(warnings.size()) + " before, " +
                                                                  std::to_string(warningsAgain.size()) + " after");
    }
    return 0;
}
