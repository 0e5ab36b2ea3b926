#include "client/settings/update_schedule.h"

#include <cstring>

#include <gtest/gtest.h>

namespace karvex {
namespace {

struct ParseCase {
    const char* text;
    std::int32_t autoUpdate;
    std::int32_t frequency;
    UpdateDate date;
};

class ParseUpdateTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseUpdateTextTest, AppliesTextOverDefaults)
{
    const ParseCase& c = GetParam();
    UpdateSchedule schedule;  // defaults: on, daily, date zero
    ParseUpdateText(c.text, schedule);
    EXPECT_EQ(schedule.autoUpdate, c.autoUpdate);
    EXPECT_EQ(schedule.frequency, c.frequency);
    EXPECT_EQ(schedule.lastUpdate.year, c.date.year);
    EXPECT_EQ(schedule.lastUpdate.month, c.date.month);
    EXPECT_EQ(schedule.lastUpdate.day, c.date.day);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseUpdateTextTest, ::testing::Values(
    ParseCase{"", 1, 0, {0, 0, 0}},
    ParseCase{"0", 0, 0, {0, 0, 0}},
    ParseCase{"1,1", 1, 1, {0, 0, 0}},
    ParseCase{"1,7,2008.5.17", 1, 0, {2008, 5, 17}},   // frequency 7 is not accepted
    ParseCase{"1,0,2008.5", 1, 0, {2008, 5, 0}},
    ParseCase{"1,0,2008", 1, 0, {2008, 0, 0}},
    ParseCase{"1,1,2008.5.17", 1, 1, {2008, 5, 17}},
    ParseCase{"1,0,0.0.0", 1, 0, {0, 0, 0}},
    ParseCase{"x,1,2009.12.31", 0, 1, {2009, 12, 31}},  // any switch but '1' is off
    ParseCase{"1,,2008.5.17", 1, 0, {2008, 5, 17}},     // empty frequency keeps daily
    ParseCase{"1,1,abc.5.17", 1, 1, {0, 5, 17}},        // unreadable year stays 0
    ParseCase{"1,1, +2008. 5.\t17", 1, 1, {2008, 5, 17}},
    ParseCase{"1,1,-1.5.17", 1, 1, {65535, 5, 17}},     // low 16 bits, as stored
    ParseCase{"1,1,70000.99999999999.1", 1, 1, {4464, 0xE7FF, 1}}));

TEST(ParseUpdateTextTest, MissingPartsKeepWhatWasThere)
{
    UpdateSchedule schedule;
    schedule.autoUpdate = 0;
    schedule.frequency = kWeekly;
    schedule.lastUpdate = {2001, 2, 3};
    ParseUpdateText("", schedule);
    EXPECT_EQ(schedule.autoUpdate, 0);
    ParseUpdateText("1,x", schedule);
    EXPECT_EQ(schedule.autoUpdate, 1);
    EXPECT_EQ(schedule.frequency, kWeekly);
    EXPECT_EQ(schedule.lastUpdate.year, 2001);
    ParseUpdateText("1,0,2010", schedule);  // a date part replaces the whole date
    EXPECT_EQ(schedule.lastUpdate.year, 2010);
    EXPECT_EQ(schedule.lastUpdate.month, 0);
    EXPECT_EQ(schedule.lastUpdate.day, 0);
}

TEST(FormatUpdateTextTest, WritesWhatParseReads)
{
    char text[128];
    FormatUpdateText(text, sizeof text, 1, 0, UpdateDate{});
    EXPECT_STREQ(text, "1,0,0.0.0");
    FormatUpdateText(text, sizeof text, 7, 1, UpdateDate{2008, 5, 17});
    EXPECT_STREQ(text, "1,1,2008.5.17");
    FormatUpdateText(text, sizeof text, 0, 1, UpdateDate{65535, 12, 31});
    EXPECT_STREQ(text, "0,1,65535.12.31");

    UpdateSchedule back;
    ParseUpdateText(text, back);
    EXPECT_EQ(back.autoUpdate, 0);
    EXPECT_EQ(back.frequency, 1);
    EXPECT_EQ(back.lastUpdate.year, 65535);
}

struct DueCase {
    std::int32_t autoUpdate;
    std::int32_t frequency;
    UpdateDate last;
    UpdateDate today;
    bool due;
};

class IsUpdateDueTest : public ::testing::TestWithParam<DueCase> {};

TEST_P(IsUpdateDueTest, FollowsTheRule)
{
    const DueCase& c = GetParam();
    UpdateSchedule schedule;
    schedule.autoUpdate = c.autoUpdate;
    schedule.frequency = c.frequency;
    schedule.lastUpdate = c.last;
    EXPECT_EQ(IsUpdateDue(schedule, c.today), c.due)
        << c.last.year << "-" << c.last.month << "-" << c.last.day << " -> " << c.today.year << "-"
        << c.today.month << "-" << c.today.day;
}

INSTANTIATE_TEST_SUITE_P(Dates, IsUpdateDueTest, ::testing::Values(
    DueCase{1, 0, {0, 0, 0}, {2008, 5, 17}, true},         // never updated
    DueCase{0, 0, {0, 0, 0}, {2008, 5, 17}, false},        // switched off
    DueCase{1, 0, {2008, 5, 17}, {2008, 5, 17}, false},    // daily, same day
    DueCase{1, 0, {2008, 5, 17}, {2008, 5, 18}, true},     // daily, next day
    DueCase{1, 0, {2008, 5, 31}, {2008, 6, 1}, true},      // daily, next month
    DueCase{1, 0, {2008, 12, 31}, {2009, 1, 1}, true},     // daily, next year
    DueCase{1, 1, {2008, 5, 17}, {2008, 5, 23}, false},    // weekly, six days
    DueCase{1, 1, {2008, 5, 17}, {2008, 5, 24}, true},     // weekly, seven days
    DueCase{1, 1, {2008, 5, 17}, {2008, 5, 31}, true},
    DueCase{1, 1, {2008, 5, 30}, {2008, 6, 1}, true},      // weekly, first day of next month
    DueCase{1, 1, {2008, 5, 17}, {2008, 5, 16}, false},
    DueCase{1, 0, {2008, 5, 17}, {2008, 4, 30}, false},    // clock set back
    DueCase{1, 0, {2009, 1, 1}, {2008, 12, 31}, false},
    DueCase{1, 2, {2008, 5, 1}, {2008, 5, 31}, false},     // unknown frequency
    DueCase{1, 2, {2008, 4, 1}, {2008, 5, 1}, true}));     // ...but a later month is due

}  // namespace
}  // namespace karvex
