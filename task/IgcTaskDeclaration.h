#pragma once

#include <string>
#include <vector>

#include "task/Task.h"

namespace task {

struct IgcDeclarationTime {
    int year = 2000; // four digits
    int month = 1;
    int day = 1;
    long long secondOfDay = 0; // (unit: s) when the task was declared
};

// The task as an IGC log declares it, in C records as flight recorders
// write them (without line ends): the declaration line (declared date and
// time, flight date, task number, turnpoint count, task name), then takeoff,
// start, each turnpoint, finish and landing, each "C DDMMmmmN DDDMMmmmE name".
// Names keep printable ASCII only and every line fits the format's 76
// characters.
std::vector<std::string> igcTaskDeclaration(const Task& task, const IgcDeclarationTime& when, int taskNumber);

} // namespace task
