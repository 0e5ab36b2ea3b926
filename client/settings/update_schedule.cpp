#include "client/settings/update_schedule.h"

#include <cstring>

#include "common/text.h"

namespace karvex {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a decimal integer as "%d" would (leading blanks, an optional sign) and
// keeps its low 16 bits. Digits beyond the range wrap instead of overflowing.
// Without a digit the field stays as it is.
void ReadNumber(const char* text, std::uint16_t& field)
{
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    if (*text < '0' || *text > '9')
        return;
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + std::uint32_t(*text - '0');
    if (negative)
        value = 0u - value;
    field = static_cast<std::uint16_t>(value);
}

}  // namespace

void ParseUpdateText(const char* text, UpdateSchedule& schedule)
{
    if (text[0] != '\0')
        schedule.autoUpdate = text[0] == '1' ? 1 : 0;

    const char* firstComma = std::strchr(text, ',');
    if (firstComma == nullptr)
        return;
    if (firstComma[1] == '0')
        schedule.frequency = kDaily;
    else if (firstComma[1] == '1')
        schedule.frequency = kWeekly;

    const char* secondComma = std::strchr(firstComma + 1, ',');
    if (secondComma == nullptr)
        return;
    schedule.lastUpdate = UpdateDate{};
    ReadNumber(secondComma + 1, schedule.lastUpdate.year);

    const char* firstDot = std::strchr(secondComma + 1, '.');
    if (firstDot == nullptr)
        return;
    ReadNumber(firstDot + 1, schedule.lastUpdate.month);

    const char* secondDot = std::strchr(firstDot + 1, '.');
    if (secondDot == nullptr)
        return;
    ReadNumber(secondDot + 1, schedule.lastUpdate.day);
}

void FormatUpdateText(char* out, std::size_t size, std::int32_t autoUpdate, std::int32_t frequency,
                      const UpdateDate& date)
{
    FormatText(out, size, "%d,%d,%u.%u.%u", autoUpdate != 0 ? 1 : 0, static_cast<int>(frequency),
               unsigned(date.year), unsigned(date.month), unsigned(date.day));
}

bool IsUpdateDue(const UpdateSchedule& schedule, const UpdateDate& today)
{
    if (schedule.autoUpdate == 0)
        return false;
    const UpdateDate& last = schedule.lastUpdate;
    if (today.year != last.year)
        return today.year > last.year;
    if (today.month != last.month)
        return today.month > last.month;
    switch (schedule.frequency) {
    case kDaily:
        return last.day < today.day;
    case kWeekly:
        return int(today.day) >= int(last.day) + 7;
    default:
        return false;
    }
}

}  // namespace karvex
