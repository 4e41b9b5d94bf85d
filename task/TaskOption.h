#pragma once

#include <string>

#include "task/Task.h"

namespace task {

// The task a --task option or a scenario's [task] names: "FILE.cup" (its
// first task) or "FILE.cup:NAME". A path that exists as written is a file
// even with a colon in it. Returns "" or the one-line message the program
// prints before exiting with status 2.
std::string loadTask(const std::string& option, const ToLocal& toLocal, Task& out);

} // namespace task
