#pragma once

namespace flight {

// The day a flight log is dated.
struct CalendarDate {
    int year = 2000;
    int month = 1;
    int day = 1;
};

} // namespace flight
