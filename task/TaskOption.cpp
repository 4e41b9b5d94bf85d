#include "task/TaskOption.h"

#include <sys/stat.h>

namespace task {

namespace {

bool isFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string loadTask(const std::string& option, const ToLocal& toLocal, Task& out) {
    std::string path = option;
    std::string name;
    const std::size_t colon = option.rfind(':');
    if (!isFile(option) && colon != std::string::npos) {
        path = option.substr(0, colon);
        name = option.substr(colon + 1);
    }
    if (path.empty()) {
        return "'" + option + "' names no .cup file";
    }
    CupFile file;
    std::string error = readCupFile(path, file);
    if (!error.empty()) {
        return error;
    }
    return buildTask(file, path, name, toLocal, out);
}

} // namespace task
