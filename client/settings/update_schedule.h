// The automatic-update schedule: its registry text and the due-date rule.
// Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvex {

// Date of the last update run; only year, month and day are kept. Aligned to
// eight bytes so the application can hold it in one lock-free atomic.
struct alignas(8) UpdateDate {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
};

enum UpdateFrequency : std::int32_t { kDaily = 0, kWeekly = 1 };

struct UpdateSchedule {
    std::int32_t autoUpdate = 1;      // switch, on by default
    std::int32_t frequency = kDaily;  // 0 daily, 1 weekly
    UpdateDate lastUpdate;            // zero: never updated
};

// Applies the text of the "update" value ("1,1,2008.5.17") to `schedule`.
// Parts that are missing or unreadable leave what `schedule` held, except that
// a date part, once present, replaces the whole date.
void ParseUpdateText(const char* text, UpdateSchedule& schedule);

// "%d,%d,%d.%d.%d": switch as 1 or 0, frequency unchanged, year.month.day.
void FormatUpdateText(char* out, std::size_t size, std::int32_t autoUpdate, std::int32_t frequency,
                      const UpdateDate& date);

// The due-date rule, with `today` the local date.
bool IsUpdateDue(const UpdateSchedule& schedule, const UpdateDate& today);

}  // namespace karvex
